#include "cli/SignalStop.h"

#include <pthread.h>

#include <ctime>

namespace cli {

SignalStop::SignalStop() {
    sigemptyset(&m_set);
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&m_set, signal);
    pthread_sigmask(SIG_BLOCK, &m_set, nullptr);
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

// Polls with a short timeout so that the destructor need not signal it.
void SignalStop::Watch() {
    const timespec tick{0, 100'000'000};
    while (!m_done.load()) {
        const int signal = sigtimedwait(&m_set, nullptr, &tick);
        if (signal <= 0) continue;
        m_signal.store(signal);
        std::lock_guard lock(m_mutex);
        if (m_stop) m_stop();
    }
}

}  // namespace cli
