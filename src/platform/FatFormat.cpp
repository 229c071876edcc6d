#include "platform/FatFormat.h"

#include <blkid/blkid.h>
#include <fcntl.h>
#include <libmount/libmount.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <system_error>

#include "platform/ChildProcess.h"
#include "platform/Drives.h"
#include "platform/FatLabel.h"
#include "platform/PartitionType.h"

namespace platform {
namespace {

constexpr std::uint64_t kSectorBytes = 512;
// Below this many sectors Windows gives /FS:FAT volumes a 12-bit FAT.
constexpr std::uint64_t kFat16MinSectors = 32680;

struct ProbeDeleter {
    void operator()(blkid_probe probe) const { blkid_free_probe(probe); }
};
using Probe = std::unique_ptr<std::remove_pointer_t<blkid_probe>, ProbeDeleter>;

struct ContextDeleter {
    void operator()(libmnt_context* context) const { mnt_free_context(context); }
};
using MountContext = std::unique_ptr<libmnt_context, ContextDeleter>;

struct TableDeleter {
    void operator()(libmnt_table* table) const { mnt_unref_table(table); }
};
using MountTable = std::unique_ptr<libmnt_table, TableDeleter>;

struct Mounted {
    std::string target;
    std::string options;     // everything the volume was mounted with
    std::string vfsOptions;  // the options any file system takes
    std::string fsType;      // vfat, exfat, ntfs3, ...
};

// Every place `device` is mounted, in the order of the mount table.
std::vector<Mounted> MountsOf(const std::filesystem::path& device) {
    std::vector<Mounted> mounts;
    MountTable table(mnt_new_table());
    if (!table || mnt_table_parse_mtab(table.get(), nullptr) != 0) return mounts;
    libmnt_iter* iter = mnt_new_iter(MNT_ITER_FORWARD);
    libmnt_fs* fs = nullptr;
    while (mnt_table_next_fs(table.get(), iter, &fs) == 0) {
        if (!mnt_fs_streq_srcpath(fs, device.c_str())) continue;
        const char* options = mnt_fs_get_options(fs);
        const char* vfs = mnt_fs_get_vfs_options(fs);
        const char* type = mnt_fs_get_fstype(fs);
        mounts.push_back(
            {mnt_fs_get_target(fs), options ? options : "", vfs ? vfs : "", type ? type : ""});
    }
    mnt_free_iter(iter);
    return mounts;
}

void ReportMountError(libmnt_context* context, int rc, const char* what,
                      const std::string& target) {
    char message[256] = {};
    mnt_context_get_excode(context, rc, message, sizeof message);
    std::fprintf(stderr, "ostrel: cannot %s %s: %s\n", what, target.c_str(),
                 message[0] ? message : "unknown error");
}

bool Unmount(const Mounted& mount) {
    MountContext context(mnt_new_context());
    if (!context) return false;
    mnt_context_set_target(context.get(), mount.target.c_str());
    int rc = mnt_context_umount(context.get());
    if (rc == 0 && mnt_context_get_status(context.get()) == 1) return true;
    ReportMountError(context.get(), rc, "unmount", mount.target);
    return false;
}

bool MountFat(const std::filesystem::path& device, const std::string& target,
              const std::string& options, bool report) {
    MountContext context(mnt_new_context());
    if (!context) return false;
    mnt_context_set_source(context.get(), device.c_str());
    mnt_context_set_target(context.get(), target.c_str());
    mnt_context_set_fstype(context.get(), "vfat");
    mnt_context_set_options(context.get(), options.c_str());
    int rc = mnt_context_mount(context.get());
    if (rc == 0 && mnt_context_get_status(context.get()) == 1) return true;
    if (report) ReportMountError(context.get(), rc, "mount", target);
    return false;
}

// The options that keep the files the desktop user's (uid, gid and masks);
// they matter for a stick the desktop mounted, and FAT takes them all.
std::string OwnerOptions(const std::string& options) {
    std::string owner;
    for (const char* name : {"uid", "gid", "fmask", "dmask", "umask"}) {
        char* value = nullptr;
        std::size_t size = 0;
        if (mnt_optstr_get_option(options.c_str(), name, &value, &size) != 0) continue;
        owner += std::string(",") + name + "=" + std::string(value, size);
    }
    return owner;
}

// The options a desktop mounts a new FAT with, keeping the general options
// and the owner of the old mount.
std::string NewFatOptions(const Mounted& mount) {
    std::string options = mount.vfsOptions.empty() ? "rw" : mount.vfsOptions;
    return options + OwnerOptions(mount.options) + ",shortname=mixed,utf8,flush";
}

// Mounts the new file system where the old one was, with the old options
// only when the old file system was FAT too: another's may mislead FAT
// (exFAT's iocharset=utf8 makes it tell BOOT.EXE from boot.exe).
bool MountAgain(const std::filesystem::path& device, const Mounted& mount) {
    std::error_code ec;
    std::filesystem::create_directories(mount.target, ec);  // the desktop may have removed it
    if (mount.fsType == "vfat" && MountFat(device, mount.target, mount.options, false)) return true;
    return MountFat(device, mount.target, NewFatOptions(mount), true);
}

const char* FatWidth(FatType type) {
    switch (type) {
        case FatType::Fat12:
            return "12";
        case FatType::Fat16:
            return "16";
        case FatType::Fat32:
            return "32";
    }
    return "32";
}

// The label the new FAT keeps, in code page 936, when there is one and it
// has a code page 936 form (said where it has none).
std::optional<std::string> LabelToKeep(const std::filesystem::path& device) {
    const auto old = ReadVolumeLabel(device);
    if (!old || old->empty()) return std::nullopt;
    if (auto label = FatLabelFrom(*old, ReadFileSystemType(device).value_or(""))) return label;
    std::fprintf(stderr,
                 "ostrel: the volume label of %s is dropped: it has no form in code page 936\n",
                 device.c_str());
    return std::nullopt;
}

// Where a partition lies on its disk, from sysfs.
struct PartitionPlace {
    std::filesystem::path disk;  // /dev/sdb
    unsigned long number = 0;    // 1 for /dev/sdb1
    std::uint64_t start = 0;     // in 512-byte sectors
};

// Nothing for a whole disk (a superfloppy) or a file.
std::optional<PartitionPlace> PartitionOf(const std::filesystem::path& device) {
    std::error_code ec;
    const auto name = std::filesystem::canonical(device, ec).filename();
    if (ec) return std::nullopt;
    const auto block =
        std::filesystem::canonical(std::filesystem::path("/sys/class/block") / name, ec);
    if (ec || !std::filesystem::exists(block / "partition", ec)) return std::nullopt;
    try {
        return PartitionPlace{std::filesystem::path("/dev") / block.parent_path().filename(),
                              std::stoul(FirstLine(block / "partition")),
                              std::stoull(FirstLine(block / "start"))};
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// A value blkid finds in the superblock of the file system on `target`.
std::optional<std::string> ProbeValue(const std::filesystem::path& target, const char* name) {
    Probe probe(blkid_new_probe_from_filename(target.c_str()));
    if (!probe) return std::nullopt;
    blkid_probe_enable_superblocks(probe.get(), 1);
    blkid_probe_set_superblocks_flags(probe.get(), BLKID_SUBLKS_LABEL | BLKID_SUBLKS_TYPE);
    if (blkid_do_safeprobe(probe.get()) != 0) return std::nullopt;
    const char* value = nullptr;
    if (blkid_probe_lookup_value(probe.get(), name, &value, nullptr) != 0 || !value) {
        return std::nullopt;
    }
    return std::string(value);
}

// A medium the kernel holds read-only: a stick's write-protect switch, a
// read-only loop device. A file is never write-protected here.
bool WriteProtected(const std::filesystem::path& device) {
    const int fd = open(device.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    int readOnly = 0;
    const bool held = ioctl(fd, BLKROGET, &readOnly) == 0 && readOnly != 0;
    close(fd);
    return held;
}

}  // namespace

FatType ChooseFatType(bool fat32, std::uint64_t bytes) {
    if (fat32) return FatType::Fat32;
    return bytes / kSectorBytes < kFat16MinSectors ? FatType::Fat12 : FatType::Fat16;
}

std::vector<std::filesystem::path> SystemToolDirs() {
    return {"/usr/sbin", "/sbin", "/usr/bin", "/bin"};
}

std::optional<std::filesystem::path> FindMkfsFat(const std::vector<std::filesystem::path>& dirs) {
    for (const auto& dir : dirs) {
        for (const char* name : {"mkfs.fat", "mkfs.vfat"}) {
            auto candidate = dir / name;
            if (access(candidate.c_str(), X_OK) == 0) return candidate;
        }
    }
    return std::nullopt;
}

std::optional<std::string> ReadVolumeLabel(const std::filesystem::path& target) {
    return ProbeValue(target, "LABEL");
}

std::optional<std::string> ReadFileSystemType(const std::filesystem::path& target) {
    return ProbeValue(target, "TYPE");
}

std::uint64_t VolumeSize(const std::filesystem::path& target) {
    Probe probe(blkid_new_probe_from_filename(target.c_str()));
    if (!probe) return 0;
    blkid_loff_t size = blkid_probe_get_size(probe.get());
    return size > 0 ? static_cast<std::uint64_t>(size) : 0;
}

bool MakeFatFileSystem(const std::filesystem::path& mkfs, const std::filesystem::path& target,
                       FatType type, const std::optional<std::string>& label) {
    std::vector<std::string> argv{mkfs.string(), "-F", FatWidth(type)};
    std::optional<std::string> ownLabel;  // written by us after mkfs.fat
    if (label && FatCanHoldLabel(*label)) {
        if (!MkfsWritesLabel(*label)) ownLabel = label;
        argv.insert(argv.end(), {"-n", ownLabel ? LabelStandIn(*label) : *label});
    } else if (label && !label->empty()) {
        std::fprintf(stderr,
                     "ostrel: the volume label of %s is dropped: a FAT label is up to 11 bytes "
                     "in code page 936 without *?.,;:/\\|+=<>[]\"\n",
                     target.c_str());
    }
    argv.push_back(target.string());
    if (RunAndWait(argv) != 0) {
        std::fprintf(stderr, "ostrel: mkfs.fat failed on %s\n", target.c_str());
        return false;
    }
    // The stand-in stays where this fails: the format is done, the label is not.
    if (ownLabel) WriteFatLabel(target, LabelStandIn(*ownLabel), *ownLabel);
    return true;
}

FormatStatus FormatVolume(const std::filesystem::path& device, bool fat32,
                          const std::vector<std::filesystem::path>& toolDirs) {
    auto mkfs = FindMkfsFat(toolDirs);
    if (!mkfs) {
        std::fprintf(stderr, "ostrel: mkfs.fat not found (package dosfstools)\n");
        return FormatStatus::MkfsMissing;
    }
    // Refused before the desktop's mount is taken away: mkfs.fat would only
    // fail on it afterwards.
    if (WriteProtected(device)) {
        std::fprintf(stderr, "ostrel: %s is write-protected; not formatted\n", device.c_str());
        return FormatStatus::Failed;
    }
    const auto label = LabelToKeep(device);
    auto mounts = MountsOf(device);
    for (const auto& mount : mounts) {
        if (!Unmount(mount)) return FormatStatus::Failed;
    }
    FatType type = ChooseFatType(fat32, VolumeSize(device));
    bool made = MakeFatFileSystem(*mkfs, device, type, label);
    if (made) {
        const auto place = PartitionOf(device);
        made = !place || SetPartitionType(place->disk, place->number, place->start, type);
    }
    // Mount again even after a failed mkfs: the old file system may still be there.
    bool mounted = mounts.empty() || MountAgain(device, mounts.front());
    return made && mounted ? FormatStatus::Formatted : FormatStatus::Failed;
}

bool EmptyFolder(const std::filesystem::path& folder) {
    // Listed first, removed after: removing while reading a folder may skip entries.
    std::vector<std::filesystem::path> entries;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        entries.push_back(it->path());
    }
    if (ec) {
        std::fprintf(stderr, "ostrel: cannot list %s: %s\n", folder.c_str(), ec.message().c_str());
        return false;
    }
    bool emptied = true;
    for (const auto& entry : entries) {
        std::filesystem::remove_all(entry, ec);
        if (ec) {
            std::fprintf(stderr, "ostrel: cannot remove %s: %s\n", entry.c_str(),
                         ec.message().c_str());
            emptied = false;
        }
    }
    return emptied;
}

}  // namespace platform
