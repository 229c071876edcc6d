// The volume label a new FAT is given: the old file system's, in code page
// 936 as Chinese Windows stores FAT labels, written by us where mkfs.fat
// cannot (dosfstools 4.2 refuses every byte above 0x7F, whatever its
// --codepage).
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace platform {

// The label for the new FAT in code page 936 from `label` as blkid read it
// from a file system of `oldType`: a FAT label is already in its code page
// and kept byte for byte; any other (exFAT, NTFS) is UTF-8 and converted.
// Nothing when there is none or the text has no code page 936 form.
std::optional<std::string> FatLabelFrom(const std::string& label, const std::string& oldType);

// True when a FAT label can be these bytes: 1 to 11 of them, none below
// 0x20, none of the characters Windows and mkfs.fat refuse (*?.,;:/\|+=<>[]").
bool FatCanHoldLabel(const std::string& label);

// True when mkfs.fat writes the label itself: ASCII only.
bool MkfsWritesLabel(const std::string& label);

// What mkfs.fat is given while WriteFatLabel is to write `label`: as long,
// ASCII, each byte above 0x7F an underscore.
std::string LabelStandIn(const std::string& label);

// Puts `label` where the FAT on `target` (just made by mkfs.fat with
// `standIn`) holds it: the boot sector, FAT32's backup of it and the root
// folder's label entry, each checked to hold the stand-in first. False, and
// said on standard error, when they do not or the writes fail; the stand-in
// then stays.
bool WriteFatLabel(const std::filesystem::path& target, const std::string& standIn,
                   const std::string& label);

}  // namespace platform
