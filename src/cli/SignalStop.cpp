#include "cli/SignalStop.h"

#include <pthread.h>

#include <cstring>
#include <ctime>

namespace cli {
namespace {

sigset_t StopSignals() {
    sigset_t set{};
    sigemptyset(&set);
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&set, signal);
    return set;
}

}  // namespace

SignalStop::SignalStop() {
    const sigset_t set = StopSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    m_watcher = std::thread(&SignalStop::Watch, this);
}

SignalStop::~SignalStop() {
    m_done.store(true);
    m_watcher.join();
}

void SignalStop::OnSignal(std::function<void()> stop) {
    std::lock_guard lock(m_mutex);
    m_stop = std::move(stop);
    if (m_signal.load() != 0 && m_stop) m_stop();
}

const char* SignalStop::Name(int signal) { return strsignal(signal); }

// Polls with a short timeout so that the destructor need not signal it.
void SignalStop::Watch() {
    const timespec tick{0, 100'000'000};
    const sigset_t set = StopSignals();
    while (!m_done.load()) {
        const int signal = sigtimedwait(&set, nullptr, &tick);
        if (signal <= 0) continue;
        m_signal.store(signal);
        std::lock_guard lock(m_mutex);
        if (m_stop) m_stop();
    }
}

}  // namespace cli
