// Running another program to its end, for the formatter's tools.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform {

// Starts argv[0] (a path, not looked up in PATH) with the given arguments,
// standard output discarded unless `keepOutput`, and waits for it. The exit
// status, or nothing when it could not be started or was killed by a signal.
std::optional<int> RunAndWait(const std::vector<std::string>& argv, bool keepOutput = false);

}  // namespace platform
