// The calling thread's priority, as the job's worker asks for it.
#pragma once

namespace platform {

// THREAD_PRIORITY_HIGHEST: two levels above the process. Only a privileged
// process may raise a thread's priority on Linux; elsewhere the thread runs
// at normal priority, which changes its speed, not its result.
void RaiseThreadPriority();

}  // namespace platform
