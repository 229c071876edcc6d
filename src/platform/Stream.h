// The runtime's byte streams, opened on a drive-form or native path.
#pragma once

#include <cstdio>
#include <string>

namespace platform {

// fopen on the native path; null with errno set when it cannot be opened
// (ENOENT for a drive letter that names no drive).
std::FILE* OpenStream(const std::string& path, const char* mode);

// Standard output and error pass bytes through unchanged: Windows' runtime
// would write each "\n" as "\r\n" (POSIX streams never change them).
void UseBinaryStandardStreams();

// remove() on the native path; false with errno set on failure.
bool RemoveFile(const std::string& path);

// Removes the name of a file or link (never a folder, errno EISDIR then);
// false with errno set when nothing was removed.
bool UnlinkFile(const std::string& path);

}  // namespace platform
