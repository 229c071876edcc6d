// The volume label of a drive, as the desktop shows it.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "platform/Drives.h"

namespace platform {

// The label of the file system on the drive's device, empty when it has none
// or it cannot be told (a folder-backed drive has none), in UTF-8: a label
// that is not UTF-8 is read as code page 936, as Chinese Windows writes FAT
// labels. udev's by-label links are read first, since they need no right to
// read the device.
std::optional<std::string> VolumeLabel(const Drive& drive,
                                       const std::filesystem::path& byLabel = "/dev/disk/by-label");

}  // namespace platform
