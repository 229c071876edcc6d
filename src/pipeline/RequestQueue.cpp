#include "pipeline/RequestQueue.h"

namespace pipeline {

void RequestQueue::Call(const std::function<void()>& request) {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_pending == nullptr; });
    m_pending = &request;
    m_handled = false;
    m_changed.notify_all();
    m_changed.wait(lock, [this] { return m_handled; });
    m_pending = nullptr;
    m_changed.notify_all();
}

void RequestQueue::Serve(const std::function<bool()>& done) {
    std::unique_lock lock(m_mutex);
    while (!done()) {
        m_changed.wait(lock, [this] { return m_pending != nullptr && !m_handled; });
        (*m_pending)();
        m_handled = true;
        m_changed.notify_all();
    }
}

}  // namespace pipeline
