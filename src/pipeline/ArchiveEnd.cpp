#include "pipeline/ArchiveEnd.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <optional>
#include <vector>

namespace pipeline {

namespace {

constexpr std::array<unsigned char, 8> kRar5Signature{0x52, 0x61, 0x72, 0x21,
                                                      0x1A, 0x07, 0x01, 0x00};
constexpr std::uint64_t kHeaderTypeEncryption = 4;
constexpr std::uint64_t kHeaderTypeEnd = 5;
constexpr std::uint64_t kFlagExtraArea = 0x0001;
constexpr std::uint64_t kFlagDataArea = 0x0002;
constexpr int kMaxVintBytes = 10;

// The archive's bytes by offset, read a window at a time: the walk visits
// every header, and seeking a stream for each one would read its whole
// buffer again for a header of a few bytes.
class WindowedReader {
public:
    explicit WindowedReader(const std::filesystem::path& path) : m_in(path, std::ios::binary) {}
    bool IsOpen() const { return static_cast<bool>(m_in); }

    // The byte at `offset`, or nothing past the end of the file.
    std::optional<unsigned char> At(std::uint64_t offset) {
        if (offset < m_start || offset - m_start >= m_length) {
            if (!Fill(offset)) return std::nullopt;
        }
        return static_cast<unsigned char>(m_window[offset - m_start]);
    }

private:
    static constexpr std::size_t kWindow = 64 * 1024;

    bool Fill(std::uint64_t offset) {
        m_in.clear();
        m_in.seekg(static_cast<std::streamoff>(offset));
        m_in.read(m_window.data(), static_cast<std::streamsize>(m_window.size()));
        m_start = offset;
        m_length = static_cast<std::uint64_t>(std::max<std::streamsize>(m_in.gcount(), 0));
        return m_length > 0;
    }

    std::ifstream m_in;
    std::vector<char> m_window = std::vector<char>(kWindow);
    std::uint64_t m_start = 0;
    std::uint64_t m_length = 0;
};

// A RAR 5 variable-length integer at `at`, which it moves past: 7 bits per
// byte, high bit "more follows".
std::optional<std::uint64_t> ReadVint(WindowedReader& in, std::uint64_t& at) {
    std::uint64_t value = 0;
    for (int i = 0; i < kMaxVintBytes; ++i) {
        const auto byte = in.At(at);
        if (!byte) return std::nullopt;
        ++at;
        value |= std::uint64_t{*byte & 0x7Fu} << (7 * i);
        if ((*byte & 0x80) == 0) return value;
    }
    return std::nullopt;
}

bool HasRar5Signature(WindowedReader& in) {
    for (std::size_t i = 0; i < kRar5Signature.size(); ++i) {
        if (in.At(i) != kRar5Signature[i]) return false;
    }
    return true;
}

enum class Step { Next, End, Unknown, Cut };

// Reads the header at `offset` and moves `offset` past it and its data.
Step StepOver(WindowedReader& in, std::uint64_t fileSize, std::uint64_t& offset) {
    constexpr std::uint64_t kCrcSize = 4;
    std::uint64_t at = offset + kCrcSize;
    const auto headerSize = ReadVint(in, at);
    if (!headerSize || *headerSize == 0) return Step::Cut;
    const std::uint64_t headerStart = at;
    const auto type = ReadVint(in, at);
    const auto flags = ReadVint(in, at);
    if (!type || !flags) return Step::Cut;
    if (*type == kHeaderTypeEnd) return Step::End;
    // Encrypted headers cannot be walked without the password.
    if (*type == kHeaderTypeEncryption) return Step::Unknown;
    if ((*flags & kFlagExtraArea) != 0 && !ReadVint(in, at)) return Step::Cut;
    std::uint64_t dataSize = 0;
    if ((*flags & kFlagDataArea) != 0) {
        const auto size = ReadVint(in, at);
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
    WindowedReader in(archive);
    if (!in.IsOpen() || !HasRar5Signature(in)) return false;
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
