// The errno value for a Windows error code, so that the layer reports
// failures the same way on every system (ErrorText, CFileException).
#pragma once

#include <filesystem>

namespace platform {

int ErrnoFromSystemError(unsigned long code);
// ErrnoFromSystemError(GetLastError()), also stored in errno.
int ErrnoFromLastError();

// The errno value POSIX gives for a failure on `path` where Windows says
// less: ENOTDIR for a path through a file (Windows: not found) and
// ENAMETOOLONG for a name of more than 255 characters (Windows: invalid,
// wine: not found).
int RefinedPathError(const std::filesystem::path& path, int error);

}  // namespace platform
