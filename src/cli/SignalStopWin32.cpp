// Windows has no signals to block: the console's control events stand for
// them. The system calls the handler on a thread of its own, with no context,
// so the one SignalStop of the process is reached through a pointer of this
// file.
#include <windows.h>

#include <csignal>

#include "cli/SignalStop.h"

namespace cli {
namespace {

std::atomic<SignalStop*>& Current() {
    static std::atomic<SignalStop*> current{nullptr};
    return current;
}

}  // namespace

// A SIGHUP stand-in: mingw's <csignal> has none.
constexpr int kHangup = 1;

SignalStop::SignalStop() {
    Current().store(this);
    SetConsoleCtrlHandler(
        [](DWORD event) -> BOOL {
            SignalStop* stop = Current().load();
            if (stop == nullptr) return FALSE;
            const int signal = event == CTRL_C_EVENT                                     ? SIGINT
                               : event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT ? kHangup
                                                                                         : SIGTERM;
            stop->m_signal.store(signal);
            std::lock_guard lock(stop->m_mutex);
            if (stop->m_stop) stop->m_stop();
            return TRUE;
        },
        TRUE);
}

SignalStop::~SignalStop() { Current().store(nullptr); }

void SignalStop::OnSignal(std::function<void()> stop) {
    std::lock_guard lock(m_mutex);
    m_stop = std::move(stop);
    if (m_signal.load() != 0 && m_stop) m_stop();
}

const char* SignalStop::Name(int signal) {
    switch (signal) {
        case SIGINT:
            return "Interrupt";
        case SIGTERM:
            return "Terminated";
        case kHangup:
            return "Hangup";
        default:
            return "Unknown signal";
    }
}

}  // namespace cli
