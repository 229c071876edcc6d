// `ostrel-cli write --format`: the drive is formatted first, exactly as the
// Start flow does when the user answers "是", with the messages on a stream
// instead of in prompts.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace drive {

// The drive root text ("E:\") when `target` is the root of a removable drive
// of the drive table ("E:\", "e:", "E:/"); empty for anything else: the
// system disk, a folder on a drive, a native path, an unknown letter.
std::optional<std::string> RemovableDriveRoot(std::string_view target);

// Formats the drive that `target` names, writing each message as a line on
// `messages`. False, with a message, when `target` is no removable drive root
// and nothing was done; true once the format was attempted, whatever came of
// it, since the job that follows reports its own failures.
bool FormatForCommandLine(std::string_view target, std::FILE* messages);

}  // namespace drive
