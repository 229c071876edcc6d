// Processes and the folders they make for themselves, for the scratch data
// that a process killed outright leaves behind.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace platform {

unsigned long CurrentProcessId();

// True when no process of that id runs any more.
bool ProcessIsGone(unsigned long id);

// A new folder under `base` named `prefix` and six characters of its own,
// for this user only; empty with errno set when none could be made.
std::optional<std::filesystem::path> MakeFreshFolder(const std::filesystem::path& base,
                                                     std::string_view prefix);

}  // namespace platform
