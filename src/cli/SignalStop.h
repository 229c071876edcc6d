// SIGTERM, SIGINT and SIGHUP during a command (on Windows: Ctrl+C as SIGINT,
// Ctrl+Break as SIGTERM, the console's closing as SIGHUP): the job is asked to stop at
// its next safe point, so that it removes its scratch data and fails, rather
// than the process dying with the scratch data left behind.
#pragma once

#include <atomic>
#include <csignal>
#include <functional>
#include <mutex>
#include <thread>

namespace cli {

class SignalStop {
public:
    // Blocks the three signals in the calling thread (and so in every thread
    // started from it afterwards) and watches them on a thread of its own.
    SignalStop();
    ~SignalStop();
    SignalStop(const SignalStop&) = delete;
    SignalStop& operator=(const SignalStop&) = delete;

    // What to do on a signal; called at once when one has already arrived.
    void OnSignal(std::function<void()> stop);
    // The signal that arrived, 0 when none did.
    int Signal() const { return m_signal.load(); }
    // Its name, as strsignal gives it ("Terminated"), on every system.
    static const char* Name(int signal);

private:
    void Watch();

    std::atomic<int> m_signal{0};
    std::atomic<bool> m_done{false};
    std::mutex m_mutex;
    std::function<void()> m_stop;
    std::thread m_watcher;
};

}  // namespace cli
