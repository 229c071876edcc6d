// What tells two sticks apart in the drive chooser: label, size and where
// the drive is mounted, in the words of the windows.
#pragma once

#include <string>

namespace drive {

// Lines for the drive whose root text is `root` (E:\): its volume label,
// its size and its mount point with the device (or the folder that stands
// in for it). Empty for a root the drive table does not hold.
std::string DriveDetails(const std::string& root);

// For a chooser without any removable drive: where to look, and the
// plugged-in devices that have no letter because they are not mounted.
std::string NoRemovableDriveHint();

// The short form of that, to stand in the empty field.
inline constexpr const char* kNoRemovableDrive = "未找到U盘";

}  // namespace drive
