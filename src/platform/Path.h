// Drive-form paths (E:\PKG\A.EXE, C:\opt\ostrel\Temp) as the program logic
// builds them, and their native counterparts on this system.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The native path for a drive-form or native path; `\` and `/` both separate.
// C: is /, other letters are the volumes of the drive table. A path never maps
// above its drive's root. Empty when the path names no known drive.
std::optional<std::filesystem::path> ToNativePath(std::string_view path);

// The drive-form path for a native path (the inverse of ToNativePath).
std::string ToDrivePath(const std::filesystem::path& native);

// The running program's own file, native.
std::filesystem::path ModulePath();

}  // namespace platform
