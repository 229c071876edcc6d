// The drive table: which letters exist and what each one stands for.
//
// C: is the root file system. Removable volumes (a disk whose sysfs
// `removable` flag is 1, or an SD/MMC card; a USB disk with a fixed medium is not) that
// are mounted get the letters from D: on, in block-device-name order.
// OSTREL_DRIVES ("E=/tmp/usb1;G=/tmp/usb2:size=4G") declares folder-backed
// removable drives instead and replaces detection.
//
// On Windows the table is the system's: its letters, removable where the
// system says so.
//
// Nothing is cached: every call reads the environment, the mount table and
// sysfs afresh, so a stick that is plugged in or a variable that a test sets
// is seen at once.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct Drive {
    char letter = 'C';                // upper case
    std::filesystem::path root;       // native folder the drive root maps to
    std::string device;               // block device (/dev/sdb1); empty for C: and folders
    bool removable = false;           // false for C: (on Windows: for every fixed drive)
    bool folderBacked = false;        // declared by OSTREL_DRIVES
    std::uint64_t declaredBytes = 0;  // OSTREL_DRIVES size=..., 0 when not given
    std::uint64_t deviceBytes = 0;    // the block device's size from sysfs, 0 when unknown
};

// The drive table, C: first, then the other letters in order, plus what was
// wrong in OSTREL_DRIVES (one line per entry that was skipped).
struct DriveTable {
    std::vector<Drive> drives;
    std::vector<std::string> problems;
    // Devices on removable media that have no letter because nothing of
    // them is mounted (detection only): what to mount when a stick is missing.
    std::vector<std::string> unmounted;
    // Mounted USB disks that report a fixed medium, "/dev/sdc1 on /media/...":
    // USB hard disks and SSDs, never offered (detection only), named so that
    // a user who plugged one in learns why it has no letter.
    std::vector<std::string> fixedUsb;
};

DriveTable ReadDriveTable();
std::vector<Drive> Drives();
std::optional<Drive> FindDrive(char letter);

// "C:\", "E:\", ...: the root text the program logic uses for a drive.
std::string DriveRootText(char letter);

// The drive letter, upper case, that a root text names: "E:\", "E:" or
// "e:/". Empty for anything else (a folder on a drive, a native path); the
// one reading of a drive root, whether or not the drive exists.
std::optional<char> RootLetter(std::string_view root);

// The volume's total size in bytes: the declared size of a folder-backed
// drive, else the size of the file system that holds its root (the device
// size when that cannot be asked). Empty when neither is known.
std::optional<std::uint64_t> TotalBytes(const Drive& drive);

// ------------------------------------------------ parts, exposed for tests

// Parses an OSTREL_DRIVES value. Folders that do not exist are skipped with a
// problem line, as a stick that is not plugged in has no letter.
DriveTable ParseDriveSpec(std::string_view spec);

// "4G", "512M", "1000000": bytes (K, M, G, T are powers of 1024). Empty when
// the text is not a size.
std::optional<std::uint64_t> ParseSize(std::string_view text);

// One line of /proc/self/mountinfo, unescaped.
struct MountEntry {
    std::string source;  // /dev/sdb1
    std::filesystem::path target;
    std::string fsRoot;  // "/" unless a bind mount of a sub-folder
    unsigned major = 0;
    unsigned minor = 0;
};

// Parses mountinfo text (libmount does the unescaping of \040 and friends).
std::vector<MountEntry> ParseMountInfo(std::string_view text);

// The mounted removable volumes among the entries, judged from the sysfs
// tree under sysRoot (normally /sys), lettered from D: on in device-name
// order.
std::vector<Drive> RemovableVolumes(const std::vector<MountEntry>& mounts,
                                    const std::filesystem::path& sysRoot);

// The partitions (or unpartitioned disks) with media on removable disks
// under sysRoot that none of the mounts uses, as /dev/NAME in name order.
std::vector<std::string> UnmountedRemovableDevices(const std::vector<MountEntry>& mounts,
                                                   const std::filesystem::path& sysRoot);

// The mounted volumes of USB disks whose medium is fixed, as
// "/dev/NAME on MOUNT POINT" in mount-table order, each device once.
std::vector<std::string> FixedUsbVolumes(const std::vector<MountEntry>& mounts,
                                         const std::filesystem::path& sysRoot);

// The first line of a sysfs attribute ("1", a size in sectors), empty when
// it cannot be read.
std::string FirstLine(const std::filesystem::path& path);

}  // namespace platform
