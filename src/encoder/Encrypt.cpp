#include "encoder/Encrypt.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/File.h"
#include "platform/Stream.h"

namespace {

constexpr std::size_t kHeaderSize = 512;
constexpr std::string_view kMagic = "QUARVEL ARMF";
constexpr std::size_t kStampOffset = 256;
constexpr std::size_t kStampStep = 7;
constexpr std::size_t kStampLength = deviceinfo::kSerialLength + deviceinfo::kSdLength;
// Bounded whatever the .EPT size; large enough that each read and write is one system call.
constexpr std::size_t kChunkSize = 64 * 1024;
static_assert(kChunkSize % kHeaderSize == 0);
// What a read past the end of the input yields.
constexpr std::uint8_t kPastEnd = 0xFF;

using Header = std::array<std::uint8_t, kHeaderSize>;
using Stamp = std::array<std::uint8_t, kStampLength>;

struct StreamCloser {
    void operator()(std::FILE* stream) const { std::fclose(stream); }
};
using Stream = std::unique_ptr<std::FILE, StreamCloser>;

std::uint8_t SwapHalves(std::uint8_t v) { return static_cast<std::uint8_t>((v << 4) | (v >> 4)); }

void StampHeader(Header& header, const Stamp& stamp) {
    std::copy(kMagic.begin(), kMagic.end(), header.begin());
    for (std::size_t m = 0; m < kStampLength; ++m) {
        header[kStampOffset + kStampStep * m] = static_cast<std::uint8_t>(~stamp[m]);
    }
}

// Nonzero exactly where the written header differs from the input header.
Header MakeKey(const Header& written, const Header& read) {
    Header key{};
    for (std::size_t l = 0; l < kHeaderSize; ++l) {
        key[l] = SwapHalves(static_cast<std::uint8_t>(written[l] ^ read[l]));
    }
    return key;
}

// XORs a run of body bytes that starts at key position 0 (every chunk but the
// last is a whole number of key periods), a period at a time.
void XorWithKey(std::uint8_t* bytes, std::size_t count, const Header& key) {
    std::size_t done = 0;
    for (; done + kHeaderSize <= count; done += kHeaderSize) {
        for (std::size_t i = 0; i < kHeaderSize; ++i) bytes[done + i] ^= key[i];
    }
    for (std::size_t i = 0; done + i < count; ++i) bytes[done + i] ^= key[i];
}

bool WriteAll(std::FILE* out, const std::uint8_t* bytes, std::size_t count) {
    return std::fwrite(bytes, 1, count, out) == count;
}

// The body: every remaining input byte XOR the key, then the one read that
// finds the end, which yields 0xFF and is encoded as well.
bool EncodeBody(std::FILE* in, std::FILE* out, const Header& key) {
    std::vector<std::uint8_t> chunk(kChunkSize + 1);
    // The first chunk ends on a chunk boundary of the file, so that later reads
    // and writes cover whole pages; it is a whole number of key periods too.
    std::size_t want = kChunkSize - kHeaderSize;
    for (;;) {
        std::size_t count = std::fread(chunk.data(), 1, want, in);
        const bool ended = count < want;
        if (ended && std::ferror(in)) return false;
        if (ended) chunk[count++] = kPastEnd;
        XorWithKey(chunk.data(), count, key);
        if (!WriteAll(out, chunk.data(), count)) return false;
        if (ended) return true;
        want = kChunkSize;
    }
}

bool WriteImage(std::FILE* in, std::FILE* out, const Stamp& stamp) {
    Header header{};
    const std::size_t got = std::fread(header.data(), 1, kHeaderSize, in);
    if (got < kHeaderSize && std::ferror(in)) return false;
    std::fill(header.begin() + static_cast<std::ptrdiff_t>(got), header.end(), kPastEnd);
    const Header read = header;
    StampHeader(header, stamp);
    if (!WriteAll(out, header.data(), kHeaderSize)) return false;
    // A header read that met the end leaves no body and no end byte.
    if (got == kHeaderSize && !EncodeBody(in, out, MakeKey(header, read))) return false;
    return std::fflush(out) == 0;
}

// Closes the image; on any failure removes it and leaves the first cause in errno.
bool FinishImage(Stream image, const std::string& imagePath, bool written) {
    int cause = errno;
    const bool closed = std::fclose(image.release()) == 0;
    if (written && closed) return true;
    if (written) cause = errno;
    platform::RemoveFile(imagePath);
    errno = cause;
    return false;
}

}  // namespace

Encrypt::Encrypt(std::string path, const DeviceInfo* info)
    : m_strPath(std::move(path)), m_info(*info), m_serial{}, m_sd{} {
    const auto serial = m_info.begin() + deviceinfo::kSerialOffset;
    std::copy(serial, serial + deviceinfo::kSerialLength, m_serial.begin());
    const auto sd = m_info.begin() + deviceinfo::kSdOffset;
    std::copy(sd, sd + deviceinfo::kSdLength, m_sd.begin());
}

bool Encrypt::Encode() {
    const std::string imagePath = ImagePath(m_strPath);
    DecodeSd();
    Stream input(platform::OpenStream(m_strPath, "rb"));
    if (!input) return false;
    // Through a link the image could be the input itself: creating it would empty the .EPT.
    if (platform::IsSameFile(m_strPath, imagePath)) {
        errno = EEXIST;
        return false;
    }
    // A new file, never one that stands there: a link left at the image's
    // name would carry the write to wherever it points.
    if (!platform::UnlinkFile(imagePath) && errno != ENOENT) return false;
    Stream image(platform::OpenStream(imagePath, "wbx"));
    if (!image) return false;
    // The body moves in whole chunks: the streams' own buffers would only add a copy.
    std::setvbuf(input.get(), nullptr, _IONBF, 0);
    std::setvbuf(image.get(), nullptr, _IONBF, 0);

    Stamp stamp{};
    std::copy(m_serial.begin(), m_serial.end(), stamp.begin());
    std::copy(m_sd.begin(), m_sd.end(), stamp.begin() + deviceinfo::kSerialLength);
    const bool written = WriteImage(input.get(), image.get(), stamp);
    return FinishImage(std::move(image), imagePath, written);
}

std::uint8_t Encrypt::HexValue(char c) {
    if (c >= '0' && c <= '9') return static_cast<std::uint8_t>(c - '0');
    if (c >= 'A' && c <= 'F') return static_cast<std::uint8_t>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f') return static_cast<std::uint8_t>(c - 'a' + 10);
    return 255;
}

std::string Encrypt::ImagePath(const std::string& eptPath) {
    const std::size_t dot = eptPath.rfind('.');
    const std::size_t separator = eptPath.find_last_of("\\/");
    // A dot that belongs to a folder name is no extension: the image goes beside the file.
    const bool hasExtension =
        dot != std::string::npos && (separator == std::string::npos || dot > separator);
    return (hasExtension ? eptPath.substr(0, dot) : eptPath) + ".EXE";
}

// A character that is no hexadecimal digit counts as F (255 modulo 16).
void Encrypt::DecodeSd() {
    std::array<std::uint8_t, deviceinfo::kSdLength> decoded{};
    for (std::size_t p = 0; p < deviceinfo::kSdLength / 2; ++p) {
        const auto high = HexValue(static_cast<char>(m_sd[2 * p])) % 16;
        const auto low = HexValue(static_cast<char>(m_sd[2 * p + 1])) % 16;
        decoded[p] = static_cast<std::uint8_t>(high * 16 + low);
    }
    m_sd = decoded;
}
