#include "platform/FatLabel.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

#include "platform/CodePage.h"

namespace platform {
namespace {

constexpr std::size_t kLabelBytes = 11;
constexpr std::size_t kEntryBytes = 32;
constexpr unsigned char kVolumeIdAttribute = 0x08;
// A name whose first byte is 0xE5 marks a free entry; 0x05 stands for it.
constexpr unsigned char kFreeMark = 0xE5;
constexpr unsigned char kFreeMarkEscape = 0x05;

std::uint32_t Little(const std::vector<unsigned char>& bytes, std::size_t at, std::size_t size) {
    std::uint32_t value = 0;
    for (std::size_t i = size; i-- > 0;) value = value << 8 | bytes[at + i];
    return value;
}

std::string Padded(const std::string& label) {
    return label + std::string(kLabelBytes - std::min(label.size(), kLabelBytes), ' ');
}

// The places of a FAT's label, from its boot sector, in bytes from its start.
struct LabelPlaces {
    std::uint64_t sectorBytes = 0;
    std::uint64_t bootLabel = 0;
    std::uint64_t backupLabel = 0;  // 0: none (FAT12, FAT16)
    std::uint64_t rootSector = 0;
};

std::optional<LabelPlaces> PlacesOf(const std::vector<unsigned char>& boot) {
    LabelPlaces places;
    places.sectorBytes = Little(boot, 11, 2);
    const std::uint64_t perCluster = boot[13];
    const std::uint64_t reserved = Little(boot, 14, 2);
    const std::uint64_t fats = boot[16];
    const std::uint64_t fatSize16 = Little(boot, 22, 2);
    if (places.sectorBytes < 512 || (places.sectorBytes & (places.sectorBytes - 1)) != 0 ||
        perCluster == 0 || fats == 0) {
        return std::nullopt;
    }
    if (fatSize16 != 0) {
        places.bootLabel = 43;
        places.rootSector = reserved + fats * fatSize16;
    } else {
        const std::uint64_t rootCluster = Little(boot, 44, 4);
        const std::uint64_t backup = Little(boot, 50, 2);
        if (rootCluster < 2) return std::nullopt;
        places.bootLabel = 71;
        if (backup != 0 && backup != 0xFFFF) places.backupLabel = backup * places.sectorBytes + 71;
        places.rootSector = reserved + fats * Little(boot, 36, 4) + (rootCluster - 2) * perCluster;
    }
    return places;
}

class LabelWriter {
public:
    explicit LabelWriter(const std::filesystem::path& target) : m_target(target) {
        m_fd = open(target.c_str(), O_RDWR | O_CLOEXEC);
    }
    ~LabelWriter() {
        if (m_fd >= 0) close(m_fd);
    }
    LabelWriter(const LabelWriter&) = delete;
    LabelWriter& operator=(const LabelWriter&) = delete;

    bool Write(const std::string& standIn, const std::string& label) {
        if (m_fd < 0) return Fail(std::strerror(errno));
        std::vector<unsigned char> boot(512);
        if (!Read(0, boot)) return false;
        const auto places = PlacesOf(boot);
        if (!places) return Fail("its boot sector is not a FAT one");
        std::vector<unsigned char> root(places->sectorBytes);
        if (!Read(places->rootSector * places->sectorBytes, root)) return false;
        const std::string old = Padded(standIn);
        std::size_t entry = 0;
        while (entry < root.size() &&
               !(root[entry + 11] == kVolumeIdAttribute && Holds(root, entry, old))) {
            entry += kEntryBytes;
        }
        std::vector<unsigned char> backup(kLabelBytes);
        if (places->backupLabel != 0 && !Read(places->backupLabel, backup)) return false;
        if (!Holds(boot, places->bootLabel, old) || entry >= root.size() ||
            (places->backupLabel != 0 && !Holds(backup, 0, old))) {
            return Fail("the new file system does not hold the stand-in label");
        }
        std::string name = Padded(label);
        const std::string bootName = name;
        if (static_cast<unsigned char>(name[0]) == kFreeMark)
            name[0] = static_cast<char>(kFreeMarkEscape);
        return Put(places->bootLabel, bootName) &&
               (places->backupLabel == 0 || Put(places->backupLabel, bootName)) &&
               Put(places->rootSector * places->sectorBytes + entry, name) && Sync();
    }

private:
    static bool Holds(const std::vector<unsigned char>& bytes, std::size_t at,
                      const std::string& text) {
        return at + text.size() <= bytes.size() &&
               std::equal(
                   text.begin(), text.end(), bytes.begin() + static_cast<long>(at),
                   [](char a, unsigned char b) { return static_cast<unsigned char>(a) == b; });
    }

    bool Fail(const char* why) const {
        std::fprintf(stderr, "ostrel: the volume label of %s could not be written: %s\n",
                     m_target.c_str(), why);
        return false;
    }

    bool Read(std::uint64_t at, std::vector<unsigned char>& bytes) const {
        errno = 0;
        if (pread(m_fd, bytes.data(), bytes.size(), static_cast<off_t>(at)) ==
            static_cast<ssize_t>(bytes.size())) {
            return true;
        }
        return Fail(errno ? std::strerror(errno) : "it is shorter than its file system says");
    }

    bool Put(std::uint64_t at, const std::string& bytes) const {
        if (pwrite(m_fd, bytes.data(), bytes.size(), static_cast<off_t>(at)) ==
            static_cast<ssize_t>(bytes.size())) {
            return true;
        }
        return Fail(std::strerror(errno));
    }

    bool Sync() const { return fsync(m_fd) == 0 || Fail(std::strerror(errno)); }

    std::filesystem::path m_target;
    int m_fd = -1;
};

}  // namespace

std::optional<std::string> FatLabelFrom(const std::string& label, const std::string& oldType) {
    if (label.empty()) return std::nullopt;
    if (oldType == "vfat" || MkfsWritesLabel(label)) return label;
    return Recode(label, "UTF-8", "CP936");
}

bool FatCanHoldLabel(const std::string& label) {
    constexpr std::string_view refused = "*?.,;:/\\|+=<>[]\"";
    return !label.empty() && label.size() <= kLabelBytes &&
           std::none_of(label.begin(), label.end(), [&](char c) {
               return static_cast<unsigned char>(c) < 0x20 || refused.find(c) != refused.npos;
           });
}

bool MkfsWritesLabel(const std::string& label) {
    return std::all_of(label.begin(), label.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::string LabelStandIn(const std::string& label) {
    std::string standIn = label;
    std::replace_if(
        standIn.begin(), standIn.end(),
        [](char c) { return static_cast<unsigned char>(c) >= 0x80; }, '_');
    return standIn;
}

bool WriteFatLabel(const std::filesystem::path& target, const std::string& standIn,
                   const std::string& label) {
    return LabelWriter(target).Write(standIn, label);
}

}  // namespace platform
