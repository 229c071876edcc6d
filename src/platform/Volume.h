// What the job asks of the volume that holds a path: whether it takes
// writes, and writing back what the system still caches for it.
#pragma once

#include <filesystem>

namespace platform {

// True when the file system holding `path` is read-only (a write-protected
// stick); false when it takes writes or cannot be asked.
bool IsReadOnlyVolume(const std::filesystem::path& path);

// Writes everything cached for the volume holding `path` to the device.
// 0, or the errno value of the failure.
int FlushVolume(const std::filesystem::path& path);

// Why a file of this name cannot be made: creates it anew (never through a
// link standing there) and removes it again. The errno value of the
// failure, 0 when the creation worked.
int CreationFailure(const std::filesystem::path& path);

}  // namespace platform
