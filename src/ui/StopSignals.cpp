#include "ui/StopSignals.h"

#include <csignal>
#include <cstring>

StopSignals::StopSignals(Handler stop)
    : m_watch({SIGTERM, SIGINT, SIGHUP}, [stop = std::move(stop)](int signal) {
          stop(128 + signal,
               "stopped by signal " + std::to_string(signal) + " (" + strsignal(signal) + ")");
      }) {
    // Unwatched and blocked, the signals could not end the program at all.
    if (!m_watch.IsWatching()) SignalWatch::Unblock({SIGTERM, SIGINT, SIGHUP});
}

void StopSignals::Block() { SignalWatch::Block({SIGTERM, SIGINT, SIGHUP}); }
