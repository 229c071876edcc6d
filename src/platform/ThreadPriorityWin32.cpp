#include "platform/ThreadPriority.h"
#include "platform/Win32.h"

namespace platform {

void RaiseThreadPriority() { (void)SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST); }

}  // namespace platform
