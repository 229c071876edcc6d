// Quick-formatting a volume with FAT on Linux: what `format.com X: /FS:...`
// does on Windows, carried out with mkfs.fat (dosfstools). Format uses
// it in-process when it runs as root and through ostrel-format-helper
// otherwise; tests run it on image files and loop devices.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace platform {

enum class FatType { Fat12, Fat16, Fat32 };

// The FAT width for a volume of `bytes`. FAT32 when asked for; otherwise FAT12
// below 32680 sectors of 512 bytes and FAT16 above, as Windows picks for /FS:FAT.
FatType ChooseFatType(bool fat32, std::uint64_t bytes);

// Where mkfs.fat is looked for: fixed system folders, never PATH, since the
// helper runs it as root on a caller's behalf.
std::vector<std::filesystem::path> SystemToolDirs();

// mkfs.fat (or mkfs.vfat) in the first of `dirs` that holds it.
std::optional<std::filesystem::path> FindMkfsFat(const std::vector<std::filesystem::path>& dirs);

// The volume label of the file system on `target` (device or image), if any.
std::optional<std::string> ReadVolumeLabel(const std::filesystem::path& target);

// The type blkid gives the file system on `target` (vfat, exfat, ...), if any.
std::optional<std::string> ReadFileSystemType(const std::filesystem::path& target);

// The size in bytes of a block device or image file; 0 when unknown.
std::uint64_t VolumeSize(const std::filesystem::path& target);

// Runs mkfs.fat on `target` with the given FAT width and label, in code page
// 936 (dropped, and said, where FAT cannot hold it), and waits for it; a
// label that is not ASCII is written after it (FatLabel.h). True when the
// file system was made.
bool MakeFatFileSystem(const std::filesystem::path& mkfs, const std::filesystem::path& target,
                       FatType type, const std::optional<std::string>& label);

enum class FormatStatus {
    Formatted,
    MkfsMissing,  // nothing was touched
    Failed,       // reported on standard error
};

// Formats the volume on `device`: unmounts it wherever it is mounted, makes
// the FAT file system keeping the label (where FAT can hold it), sets
// the partition's MBR type byte to match, and mounts it again at its first
// mount point (with the options it had where it was FAT already, else as a
// desktop mounts FAT), so that a copy made next lands on the new file
// system. The volume must already be known to be a removable one.
FormatStatus FormatVolume(const std::filesystem::path& device, bool fat32,
                          const std::vector<std::filesystem::path>& toolDirs);

// Removes everything inside `folder`, leaving the folder; symbolic links are
// removed, never followed. True when the folder is left empty.
bool EmptyFolder(const std::filesystem::path& folder);

}  // namespace platform
