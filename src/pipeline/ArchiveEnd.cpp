#include "pipeline/ArchiveEnd.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <optional>

namespace pipeline {

namespace {

constexpr std::array<unsigned char, 8> kRar5Signature{0x52, 0x61, 0x72, 0x21,
                                                      0x1A, 0x07, 0x01, 0x00};
constexpr std::uint64_t kHeaderTypeEncryption = 4;
constexpr std::uint64_t kHeaderTypeEnd = 5;
constexpr std::uint64_t kFlagExtraArea = 0x0001;
constexpr std::uint64_t kFlagDataArea = 0x0002;
constexpr int kMaxVintBytes = 10;

// A RAR 5 variable-length integer: 7 bits per byte, high bit "more follows".
std::optional<std::uint64_t> ReadVint(std::istream& in, std::uint64_t& consumed) {
    std::uint64_t value = 0;
    for (int i = 0; i < kMaxVintBytes; ++i) {
        const int byte = in.get();
        if (byte == std::char_traits<char>::eof()) return std::nullopt;
        ++consumed;
        value |= std::uint64_t{static_cast<unsigned>(byte) & 0x7Fu} << (7 * i);
        if ((byte & 0x80) == 0) return value;
    }
    return std::nullopt;
}

bool HasRar5Signature(std::istream& in) {
    std::array<char, kRar5Signature.size()> head{};
    in.read(head.data(), head.size());
    if (!in) return false;
    for (size_t i = 0; i < head.size(); ++i) {
        if (static_cast<unsigned char>(head[i]) != kRar5Signature[i]) return false;
    }
    return true;
}

enum class Step { Next, End, Unknown, Cut };

// Reads the header at `offset` and moves `offset` past it and its data.
Step StepOver(std::istream& in, std::uint64_t fileSize, std::uint64_t& offset) {
    constexpr std::uint64_t kCrcSize = 4;
    in.seekg(static_cast<std::streamoff>(offset + kCrcSize));
    std::uint64_t sizeBytes = 0;
    const auto headerSize = ReadVint(in, sizeBytes);
    if (!headerSize || *headerSize == 0) return Step::Cut;
    const std::uint64_t headerStart = offset + kCrcSize + sizeBytes;
    std::uint64_t used = 0;
    const auto type = ReadVint(in, used);
    const auto flags = ReadVint(in, used);
    if (!type || !flags) return Step::Cut;
    if (*type == kHeaderTypeEnd) return Step::End;
    // Encrypted headers cannot be walked without the password.
    if (*type == kHeaderTypeEncryption) return Step::Unknown;
    if ((*flags & kFlagExtraArea) != 0 && !ReadVint(in, used)) return Step::Cut;
    std::uint64_t dataSize = 0;
    if ((*flags & kFlagDataArea) != 0) {
        const auto size = ReadVint(in, used);
        if (!size) return Step::Cut;
        dataSize = *size;
    }
    if (*headerSize > fileSize || dataSize > fileSize) return Step::Cut;
    offset = headerStart + *headerSize + dataSize;
    return offset <= fileSize ? Step::Next : Step::Cut;
}

}  // namespace

bool IsTruncatedRar5(const std::filesystem::path& archive) {
    std::error_code ec;
    const std::uint64_t fileSize = std::filesystem::file_size(archive, ec);
    if (ec) return false;
    std::ifstream in(archive, std::ios::binary);
    if (!in || !HasRar5Signature(in)) return false;
    std::uint64_t offset = kRar5Signature.size();
    while (offset < fileSize) {
        switch (StepOver(in, fileSize, offset)) {
            case Step::Next:
                break;
            case Step::End:
            case Step::Unknown:
                return false;
            case Step::Cut:
                return true;
        }
        in.clear();
    }
    return true;
}

namespace {

std::uint32_t Le(const unsigned char* bytes, int width) {
    std::uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i) value = (value << 8) | bytes[i];
    return value;
}

// Reads `count` bytes at `offset`; false where the file ends first.
bool ReadAt(std::istream& in, std::uint64_t offset, unsigned char* out, std::size_t count) {
    in.clear();
    in.seekg(static_cast<std::streamoff>(offset));
    in.read(reinterpret_cast<char*>(out), static_cast<std::streamsize>(count));
    return static_cast<std::size_t>(in.gcount()) == count;
}

}  // namespace

// Walks the block headers only, seeking over the data, so that a package of
// any size costs a few bytes of memory.
bool IsCutRar4Volume(const std::filesystem::path& archive) {
    constexpr std::array<unsigned char, 7> kMarker{0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};
    constexpr unsigned kVolume = 0x0001, kLongBlock = 0x8000, kFileHead = 0x74, kEndHead = 0x7B;
    std::error_code ec;
    const std::uint64_t fileSize = std::filesystem::file_size(archive, ec);
    if (ec || fileSize < kMarker.size() + 13) return false;
    std::ifstream in(archive, std::ios::binary);
    std::array<unsigned char, 11> head{};
    if (!ReadAt(in, 0, head.data(), kMarker.size()) ||
        !std::equal(kMarker.begin(), kMarker.end(), head.begin())) {
        return false;
    }
    if (!ReadAt(in, kMarker.size(), head.data(), 7) || (Le(&head[3], 2) & kVolume) == 0) {
        return false;
    }
    std::uint64_t at = kMarker.size();
    while (at + 7 <= fileSize) {
        if (!ReadAt(in, at, head.data(), 7)) return true;
        const unsigned type = head[2];
        if (type == kEndHead) return false;
        const unsigned flags = Le(&head[3], 2);
        std::uint64_t size = Le(&head[5], 2);
        if (size < 7) return true;
        if ((flags & kLongBlock) != 0 || type == kFileHead) {
            if (at + 11 > fileSize || !ReadAt(in, at, head.data(), 11)) return true;
            size += Le(&head[7], 4);
        }
        at += size;
    }
    return true;
}

}  // namespace pipeline
