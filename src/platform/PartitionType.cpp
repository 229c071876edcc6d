#include "platform/PartitionType.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace platform {
namespace {

// The MBR: four 16-byte partition entries from byte 446, the type byte at 4
// and the first sector at 8 of each; 0xEE in the first says the disk is GPT.
constexpr std::size_t kSectorBytes = 512;
constexpr std::size_t kPartitionTable = 446;
constexpr std::size_t kEntryBytes = 16;
constexpr std::size_t kTypeAt = 4;
constexpr std::size_t kStartAt = 8;
constexpr unsigned char kGptProtective = 0xEE;

// The type bytes that name a FAT of this width, the one written first. LBA
// types for all: a stick's CHS fields rest on a made-up geometry, and every
// reader since Windows 95 takes the LBA fields these types point it to.
std::vector<unsigned char> TypeBytesOf(FatType type) {
    switch (type) {
        case FatType::Fat12:
            return {0x01};
        case FatType::Fat16:
            return {0x0E, 0x06, 0x04};
        case FatType::Fat32:
            return {0x0C, 0x0B};
    }
    return {0x0C, 0x0B};
}

bool ReportDiskError(const char* what, const std::filesystem::path& disk) {
    std::fprintf(stderr, "ostrel: cannot %s the partition table of %s: %s\n", what, disk.c_str(),
                 std::strerror(errno));
    return false;
}

std::uint64_t StartOf(const std::array<unsigned char, kSectorBytes>& mbr, std::size_t entry) {
    std::uint64_t start = 0;
    for (std::size_t i = 4; i-- > 0;) start = start << 8 | mbr[entry + kStartAt + i];
    return start;
}

// The entry of an MBR that describes the partition as the kernel sees it.
bool Describes(const std::array<unsigned char, kSectorBytes>& mbr, std::size_t entry,
               std::uint64_t startSector) {
    return mbr[510] == 0x55 && mbr[511] == 0xAA && StartOf(mbr, entry) == startSector;
}

}  // namespace

bool SetPartitionType(const std::filesystem::path& disk, unsigned long number,
                      std::uint64_t startSector, FatType type) {
    if (number < 1 || number > 4) return true;
    const int fd = open(disk.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return ReportDiskError("open", disk);
    std::array<unsigned char, kSectorBytes> mbr{};
    errno = EIO;  // what a short read is said as
    bool done = pread(fd, mbr.data(), mbr.size(), 0) == static_cast<ssize_t>(mbr.size());
    if (!done) ReportDiskError("read", disk);
    const std::size_t entry = kPartitionTable + (number - 1) * kEntryBytes;
    const auto names = TypeBytesOf(type);
    if (!done || mbr[kPartitionTable + kTypeAt] == kGptProtective) {
        // nothing to set: unreadable (said) or GPT, whose types are GUIDs
    } else if (!Describes(mbr, entry, startSector)) {
        std::fprintf(stderr,
                     "ostrel: the partition table of %s does not describe partition %lu as the "
                     "kernel does; its type byte is left as it is\n",
                     disk.c_str(), number);
    } else if (std::find(names.begin(), names.end(), mbr[entry + kTypeAt]) == names.end()) {
        done = pwrite(fd, &names.front(), 1, static_cast<off_t>(entry + kTypeAt)) == 1 &&
               fsync(fd) == 0;
        if (!done) ReportDiskError("write", disk);
    }
    close(fd);
    return done;
}

}  // namespace platform
