#include "platform/ThreadPriority.h"

#include <sys/resource.h>
#include <unistd.h>

namespace platform {

// Two nice levels above the process.
void RaiseThreadPriority() {
    constexpr int kHighest = 2;
    const int current = getpriority(PRIO_PROCESS, 0);
    (void)setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), current - kHighest);
}

}  // namespace platform
