// WM_RESET_CHOICE from outside the program: another process of the same user
// sends SIGUSR1, and the window receives the message on the user-interface
// thread (see SignalWatch.h). Call BlockSignal() at the top of main().
#pragma once

#include "toolkit/Toolkit.h"
#include "ui/SignalWatch.h"

class ResetSignal {
public:
    // Starts watching; `message` goes to `target` once per batch of signals.
    ResetSignal(CWnd& target, UINT message);

    bool IsWatching() const { return m_watch.IsWatching(); }

    // Blocks SIGUSR1 in the calling thread and so in every thread it starts later.
    static void BlockSignal();

private:
    SignalWatch m_watch;
};
