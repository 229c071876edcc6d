// Signals from outside the program, handled on the user-interface thread.
// No code runs in a signal handler: the signals stay blocked and are read
// from a signalfd that the event loop watches.
//
// A watched signal must be blocked in every thread, or the kernel may hand
// it to a thread that does not block it, whose default action may end the
// program: Block() it at the top of main(), before any thread starts.
#pragma once

#include <functional>
#include <initializer_list>
#include <memory>

class QSocketNotifier;

class SignalWatch {
public:
    using Handler = std::function<void(int signal)>;

    // Blocks `numbers` in the calling thread and so in every thread it starts later.
    static void Block(std::initializer_list<int> numbers);
    // Gives `numbers` back their default action.
    static void Unblock(std::initializer_list<int> numbers);

    // Starts watching `numbers`, blocking them first. `handler` runs from the
    // event loop once per batch of signals read, with the first of them;
    // signals that arrive while it runs make the next batch.
    SignalWatch(std::initializer_list<int> numbers, Handler handler);
    ~SignalWatch();
    SignalWatch(const SignalWatch&) = delete;
    SignalWatch& operator=(const SignalWatch&) = delete;

    bool IsWatching() const { return m_fd >= 0; }
    // Drops the signals that are waiting: they had nobody to reach.
    void Discard() const;

private:
    // Reads every waiting signal; the first of them, 0 when there was none.
    int Drain() const;
    void OnReadable();

    Handler m_handler;
    int m_fd = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
};
