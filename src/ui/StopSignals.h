// SIGTERM, SIGINT and SIGHUP: the program is asked to end. The window learns
// of it on the user-interface thread (see SignalWatch.h), so that a running
// job can stop at its next safe point and remove its scratch data first.
// Call Block() at the top of main(); a signal that arrived before the window
// watches is handled as soon as it does.
#pragma once

#include <functional>
#include <string>

#include "ui/SignalWatch.h"

class StopSignals {
public:
    // `stop` gets the program's exit status (128 + signal, as a shell
    // reports a program the signal ended) and the signal in words.
    using Handler = std::function<void(int exitCode, const std::string& reason)>;

    explicit StopSignals(Handler stop);

    static void Block();

private:
    SignalWatch m_watch;
};
