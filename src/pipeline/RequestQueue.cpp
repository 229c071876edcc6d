#include "pipeline/RequestQueue.h"

#include <utility>

namespace pipeline {

void RequestQueue::Call(const std::function<void()>& request) {
    bool handled = false;
    std::unique_lock lock(m_mutex);
    m_requests.push_back({[&request] { request(); }, &handled});
    m_changed.notify_all();
    m_changed.wait(lock, [&] { return handled; });
}

void RequestQueue::Post(std::function<void()> request) {
    std::lock_guard lock(m_mutex);
    m_requests.push_back({std::move(request), nullptr});
    m_changed.notify_all();
}

void RequestQueue::Serve(const std::function<bool()>& done) {
    std::unique_lock lock(m_mutex);
    while (!done()) {
        m_changed.wait(lock, [this] { return !m_requests.empty(); });
        Request request = std::move(m_requests.front());
        m_requests.pop_front();
        // Unlocked while it runs, so that a request may queue another.
        lock.unlock();
        request.run();
        lock.lock();
        if (request.handled != nullptr) *request.handled = true;
        m_changed.notify_all();
    }
}

}  // namespace pipeline
