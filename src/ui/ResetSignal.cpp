#include "ui/ResetSignal.h"

#include <csignal>

void ResetSignal::BlockSignal() { SignalWatch::Block({SIGUSR1}); }

ResetSignal::ResetSignal(CWnd& target, UINT message)
    : m_watch({SIGUSR1}, [&target, message](int) { target.SendMessage(message); }) {
    // A signal sent before the window existed had no window to reach.
    m_watch.Discard();
}
