// Drive-form paths (E:\PKG\A.EXE, C:\opt\ostrel\Temp) as the program logic
// builds them, and their native counterparts on this system.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The native path for a drive-form or native path; `\` and `/` both separate.
// C: is /, other letters are the volumes of the drive table (Drives.h). A path
// never maps above its drive's root. Empty, with errno ENOENT, when the path
// names no known drive. A path without a drive letter is taken as native.
std::optional<std::filesystem::path> ToNativePath(std::string_view path);

// ToNativePath for a C-string argument of the Windows-shaped calls; a null
// pointer fails with errno EINVAL.
std::optional<std::filesystem::path> NativeArgument(const char* path);

// The drive-form path for a native path (the inverse of ToNativePath): the
// drive whose root holds it most closely, C: for everything else.
std::string ToDrivePath(const std::filesystem::path& native);

// True when `path` is `root` or lies below it, compared name by name (no
// prefix tricks: /a/bc is not inside /a/b). Both should be canonical; this is
// the one containment rule that every caller checks against.
bool IsInside(const std::filesystem::path& path, const std::filesystem::path& root);

// True for the root of the system's own volume, canonical: / on POSIX, the
// root of the drive that holds Windows on Windows (C:\ as a rule).
bool IsSystemRoot(const std::filesystem::path& canonical);

// The running program's own file, native.
std::filesystem::path ModulePath();

// The drive-form folder that holds the running program (C:\opt\ostrel): its
// GetModuleFileNameA path cut before the last backslash; empty when unknown.
std::string ProgramFolder();

}  // namespace platform
