// WM_RESET_CHOICE from outside the program: another process of the same user
// sends SIGUSR1, and the window receives the message on the user-interface
// thread. No code runs in a signal handler: the signal stays blocked and is
// read from a signalfd that the event loop watches.
//
// SIGUSR1 must be blocked in every thread, or the kernel may hand it to a
// thread that does not block it, whose default action ends the program:
// call BlockSignal() at the top of main(), before any thread starts.
#pragma once

#include <memory>

#include "toolkit/Toolkit.h"

class QSocketNotifier;

class ResetSignal {
public:
    // Starts watching; `message` goes to `target` once per batch of signals.
    ResetSignal(CWnd& target, UINT message);
    ~ResetSignal();
    ResetSignal(const ResetSignal&) = delete;
    ResetSignal& operator=(const ResetSignal&) = delete;

    bool IsWatching() const { return m_fd >= 0; }

    // Blocks SIGUSR1 in the calling thread and so in every thread it starts later.
    static void BlockSignal();

private:
    // Reads every pending signal; true when there was at least one.
    bool Drain() const;
    void OnReadable();

    CWnd& m_target;
    UINT m_message;
    int m_fd = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
};
