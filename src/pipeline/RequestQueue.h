// A user-interface thread for front ends without windows (the command line,
// tests): the worker's requests are carried to the thread that calls Serve
// and run there in the order they were made. A Call waits until its request
// has run, as a Windows SendMessage waits for the window's thread; a Post
// does not wait, as PostMessage.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace pipeline {

class RequestQueue {
public:
    // From the worker: runs `request` on the serving thread, returns after it.
    void Call(const std::function<void()>& request);

    // From the worker: queues `request` for the serving thread and returns.
    void Post(std::function<void()> request);

    // On the serving thread: runs requests as they come until `done` (checked
    // after each one) answers true.
    void Serve(const std::function<bool()>& done);

private:
    struct Request {
        std::function<void()> run;
        bool* handled;  // the waiting caller's flag; null for a post
    };

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Request> m_requests;
};

}  // namespace pipeline
