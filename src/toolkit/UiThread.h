// Carrying work to the user-interface thread, where every widget lives.
#pragma once

#include <functional>

namespace toolkit {

// True on the thread that runs the application's event loop (or when there
// is no application yet).
bool IsUiThread();

// Runs `fn` on the user-interface thread and returns when it has run, as a
// Windows SendMessage does. On that thread it simply calls `fn`.
void RunOnUiThread(const std::function<void()>& fn);

// Queues `fn` for the user-interface thread and returns at once, as a Windows
// PostMessage does; requests run in the order they were made, waited for or
// not. On that thread it simply calls `fn`. `fn` must not throw: nobody
// waits to hear of it.
void PostToUiThread(std::function<void()> fn);

// On the user-interface thread: handles events, and so the workers'
// requests, until `ready` holds. `ready` may change only through an event.
void ServeUntil(const std::function<bool()>& ready);

}  // namespace toolkit
