// Mounted removable volumes, from the mount table (libmount) and sysfs.
#include <libmount/libmount.h>
#include <string.h>  // strverscmp
#include <sys/sysmacros.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <system_error>

#include "platform/Drives.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

struct TableDeleter {
    void operator()(libmnt_table* table) const { mnt_unref_table(table); }
};
struct IterDeleter {
    void operator()(libmnt_iter* iter) const { mnt_free_iter(iter); }
};
struct FileDeleter {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

std::string Text(const char* value) { return value ? value : ""; }

MountEntry ToEntry(libmnt_fs* fs) {
    MountEntry entry;
    entry.source = Text(mnt_fs_get_source(fs));
    entry.target = Text(mnt_fs_get_target(fs));
    entry.fsRoot = Text(mnt_fs_get_root(fs));
    const dev_t devno = mnt_fs_get_devno(fs);
    entry.major = major(devno);
    entry.minor = minor(devno);
    return entry;
}

// The sysfs folder of the mounted block device: by device number first (it
// also covers /dev/disk/by-uuid/... and mapper names), then by name.
std::optional<fs::path> BlockFolder(const MountEntry& mount, const fs::path& sysRoot) {
    std::error_code ec;
    const fs::path byNumber = sysRoot / "dev" / "block" /
                              (std::to_string(mount.major) + ":" + std::to_string(mount.minor));
    if (fs::exists(byNumber, ec)) return fs::canonical(byNumber, ec);
    if (mount.source.rfind("/dev/", 0) != 0) return std::nullopt;
    const fs::path byName = sysRoot / "class" / "block" / fs::path(mount.source).filename();
    if (fs::exists(byName, ec)) return fs::canonical(byName, ec);
    return std::nullopt;
}

// A partition's folder sits inside its disk's folder.
fs::path DiskFolder(const fs::path& block) {
    std::error_code ec;
    return fs::exists(block / "partition", ec) ? block.parent_path() : block;
}

// True when some device above the disk belongs to the bus named `bus`.
bool OnBus(const fs::path& disk, const fs::path& sysRoot, const char* bus) {
    std::error_code ec;
    const fs::path top = fs::canonical(sysRoot, ec);
    for (fs::path dir = disk; !dir.empty() && dir != top && dir != dir.root_path();
         dir = dir.parent_path()) {
        const fs::path found = fs::read_symlink(dir / "subsystem", ec).filename();
        if (!ec && found == bus) return true;
    }
    return false;
}

// SD/MMC cards count as removable whatever their flag. A USB disk does not:
// one that reports a fixed medium is a USB hard disk or SSD and is never
// offered or formatted.
bool IsRemovableDisk(const fs::path& disk, const fs::path& sysRoot) {
    return FirstLine(disk / "removable") == "1" || OnBus(disk, sysRoot, "mmc");
}

std::uint64_t SectorsToBytes(const std::string& sectors) {
    try {
        return std::stoull(sectors) * 512;  // sysfs counts 512-byte sectors whatever the disk
    } catch (const std::exception&) {
        return 0;
    }
}

// The sysfs folder of a mount that may be a drive: a whole file system
// mounted elsewhere than /.
std::optional<fs::path> VolumeFolder(const MountEntry& mount, const fs::path& sysRoot) {
    if (mount.fsRoot != "/" || mount.target == "/") return std::nullopt;
    auto block = BlockFolder(mount, sysRoot);
    if (!block || block->empty()) return std::nullopt;
    return block;
}

std::optional<Drive> VolumeOf(const MountEntry& mount, const fs::path& sysRoot) {
    const auto block = VolumeFolder(mount, sysRoot);
    if (!block || !IsRemovableDisk(DiskFolder(*block), sysRoot)) return std::nullopt;
    Drive drive;
    drive.root = mount.target;
    drive.device = "/dev/" + block->filename().string();
    drive.removable = true;
    drive.deviceBytes = SectorsToBytes(FirstLine(*block / "size"));
    return drive;
}

bool NameLess(const std::string& a, const std::string& b) {
    return strverscmp(a.c_str(), b.c_str()) < 0;
}

bool DeviceNameLess(const Drive& a, const Drive& b) { return NameLess(a.device, b.device); }

bool HasPartitions(const fs::path& disk) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(disk, ec)) {
        if (fs::exists(entry.path() / "partition", ec)) return true;
    }
    return false;
}

// A partition, or a whole disk without partitions, that holds data: card
// readers without a card report size 0, extended-partition stubs a sector
// or two.
bool IsVolumeWithMedia(const fs::path& block) {
    std::error_code ec;
    const bool partition = fs::exists(block / "partition", ec);
    if (!partition && HasPartitions(block)) return false;
    return SectorsToBytes(FirstLine(block / "size")) >= (1u << 20);
}

std::set<std::string> MountedBlockNames(const std::vector<MountEntry>& mounts,
                                        const fs::path& sysRoot) {
    std::set<std::string> names;
    for (const auto& mount : mounts) {
        if (auto block = BlockFolder(mount, sysRoot)) names.insert(block->filename().string());
    }
    return names;
}

}  // namespace

std::string FirstLine(const fs::path& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

std::vector<MountEntry> ParseMountInfo(std::string_view text) {
    std::vector<MountEntry> entries;
    if (text.empty()) return entries;
    std::string copy(text);
    std::unique_ptr<std::FILE, FileDeleter> stream(fmemopen(copy.data(), copy.size(), "r"));
    std::unique_ptr<libmnt_table, TableDeleter> table(mnt_new_table());
    std::unique_ptr<libmnt_iter, IterDeleter> iter(mnt_new_iter(MNT_ITER_FORWARD));
    if (!stream || !table || !iter) return entries;
    // Lines libmount cannot read are skipped rather than ending the parse.
    mnt_table_set_parser_errcb(table.get(), [](libmnt_table*, const char*, int) { return 1; });
    if (mnt_table_parse_stream(table.get(), stream.get(), "mountinfo") != 0) return entries;
    libmnt_fs* fs = nullptr;
    while (mnt_table_next_fs(table.get(), iter.get(), &fs) == 0) {
        // Text that is not mountinfo is read as fstab, whose entries have no root.
        if (mnt_fs_get_root(fs) != nullptr) entries.push_back(ToEntry(fs));
    }
    return entries;
}

std::vector<std::string> UnmountedRemovableDevices(const std::vector<MountEntry>& mounts,
                                                   const fs::path& sysRoot) {
    const auto mounted = MountedBlockNames(mounts, sysRoot);
    std::vector<std::string> devices;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(sysRoot / "class" / "block", ec)) {
        const fs::path block = fs::canonical(entry.path(), ec);
        if (ec || mounted.count(block.filename().string()) != 0) continue;
        if (IsVolumeWithMedia(block) && IsRemovableDisk(DiskFolder(block), sysRoot)) {
            devices.push_back("/dev/" + block.filename().string());
        }
    }
    std::sort(devices.begin(), devices.end(), NameLess);
    return devices;
}

std::vector<std::string> FixedUsbVolumes(const std::vector<MountEntry>& mounts,
                                         const fs::path& sysRoot) {
    std::vector<std::string> volumes;
    std::set<std::string> seen;
    for (const auto& mount : mounts) {
        const auto block = VolumeFolder(mount, sysRoot);
        if (!block) continue;
        const fs::path disk = DiskFolder(*block);
        const std::string device = "/dev/" + block->filename().string();
        if (!IsRemovableDisk(disk, sysRoot) && OnBus(disk, sysRoot, "usb") &&
            seen.insert(device).second) {
            volumes.push_back(device + " on " + mount.target.string());
        }
    }
    return volumes;
}

std::vector<Drive> RemovableVolumes(const std::vector<MountEntry>& mounts,
                                    const fs::path& sysRoot) {
    std::vector<Drive> volumes;
    std::set<std::string> seen;
    for (const auto& mount : mounts) {
        auto volume = VolumeOf(mount, sysRoot);
        // A device mounted twice keeps the letter of its first mount point.
        if (volume && seen.insert(volume->device).second) volumes.push_back(std::move(*volume));
    }
    std::stable_sort(volumes.begin(), volumes.end(), DeviceNameLess);
    if (volumes.size() > 23) volumes.resize(23);  // D: to Z:
    char letter = 'D';
    for (auto& volume : volumes) volume.letter = letter++;
    return volumes;
}

}  // namespace platform
