#include "pipeline/ArchiveEnd.h"

#include <array>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

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

std::uint32_t Le(const std::string& bytes, std::size_t at, int width) {
    std::uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    }
    return value;
}

}  // namespace

bool IsCutRar4Volume(const std::filesystem::path& archive) {
    constexpr std::string_view kMarker("Rar!\x1a\x07\x00", 7);
    constexpr unsigned kVolume = 0x0001, kLongBlock = 0x8000, kFileHead = 0x74, kEndHead = 0x7B;
    std::ifstream in(archive, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() < kMarker.size() + 13 || bytes.compare(0, kMarker.size(), kMarker) != 0) {
        return false;
    }
    if ((Le(bytes, kMarker.size() + 3, 2) & kVolume) == 0) return false;
    std::size_t at = kMarker.size();
    while (at + 7 <= bytes.size()) {
        const unsigned type = static_cast<unsigned char>(bytes[at + 2]);
        if (type == kEndHead) return false;
        const unsigned flags = Le(bytes, at + 3, 2);
        std::uint64_t size = Le(bytes, at + 5, 2);
        if (size < 7) return true;
        if ((flags & kLongBlock) != 0 || type == kFileHead) {
            if (at + 11 > bytes.size()) return true;
            size += Le(bytes, at + 7, 4);
        }
        at += size;
    }
    return true;
}

}  // namespace pipeline
