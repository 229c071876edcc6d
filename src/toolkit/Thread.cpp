#include "toolkit/Thread.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <system_error>
#include <thread>

namespace {

// Windows priorities are steps above or below normal; here they become nice
// values of the thread. Raising priority needs the privilege to do so;
// without it the thread runs at normal priority, which only costs speed.
void ApplyPriority(int nPriority) {
    if (nPriority == THREAD_PRIORITY_NORMAL) return;
    const auto tid = static_cast<id_t>(::syscall(SYS_gettid));
    ::setpriority(PRIO_PROCESS, tid, -nPriority * 2);
}

}  // namespace

bool AfxBeginThread(AFX_THREADPROC pfnThreadProc, void* pParam, int nPriority) {
    if (pfnThreadProc == nullptr) return false;
    try {
        std::thread([pfnThreadProc, pParam, nPriority] {
            ApplyPriority(nPriority);
            pfnThreadProc(pParam);
        }).detach();
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}
