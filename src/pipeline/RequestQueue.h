// A user-interface thread for front ends without windows (the command line,
// tests): the worker's requests are carried to the thread that calls Serve
// and run there, and the worker waits until each one has run, as a Windows
// SendMessage waits for the window's thread.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>

namespace pipeline {

class RequestQueue {
public:
    // From the worker: runs `request` on the serving thread, returns after it.
    void Call(const std::function<void()>& request);

    // On the serving thread: runs requests as they come until `done` (checked
    // after each one) answers true.
    void Serve(const std::function<bool()>& done);

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    const std::function<void()>* m_pending = nullptr;
    bool m_handled = false;
};

}  // namespace pipeline
