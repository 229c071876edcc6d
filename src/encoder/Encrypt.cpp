#include "encoder/Encrypt.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <string_view>
#include <system_error>

#include "platform/ChunkPipe.h"
#include "platform/File.h"
#include "platform/Stream.h"

namespace {

constexpr std::size_t kHeaderSize = 512;
constexpr std::string_view kMagic = "QUARVEL ARMF";
constexpr std::size_t kStampOffset = 256;
constexpr std::size_t kStampStep = 7;
constexpr std::size_t kStampLength = deviceinfo::kSerialLength + deviceinfo::kSdLength;
// Every chunk but the last is a whole number of key periods, so that each one
// starts at key position 0; the end byte fits behind the last.
static_assert(platform::ChunkPipe::kChunkSize % kHeaderSize == 0);
static_assert(platform::ChunkPipe::kTailRoom >= kHeaderSize);
// What a read past the end of the input yields.
constexpr std::uint8_t kPastEnd = 0xFF;

using Header = std::array<std::uint8_t, kHeaderSize>;
using Stamp = std::array<std::uint8_t, kStampLength>;

struct StreamCloser {
    void operator()(std::FILE* stream) const { std::fclose(stream); }
};
using Stream = std::unique_ptr<std::FILE, StreamCloser>;

std::uint8_t SwapHalves(std::uint8_t v) { return static_cast<std::uint8_t>((v << 4) | (v >> 4)); }

void StampHeader(std::uint8_t* header, const Stamp& stamp) {
    std::copy(kMagic.begin(), kMagic.end(), header);
    for (std::size_t m = 0; m < kStampLength; ++m) {
        header[kStampOffset + kStampStep * m] = static_cast<std::uint8_t>(~stamp[m]);
    }
}

// Nonzero exactly where the written header differs from the input header.
Header MakeKey(const std::uint8_t* written, const Header& read) {
    Header key{};
    for (std::size_t l = 0; l < kHeaderSize; ++l) {
        key[l] = SwapHalves(static_cast<std::uint8_t>(written[l] ^ read[l]));
    }
    return key;
}

// XORs a run of body bytes that starts at key position 0, a period at a time.
void XorWithKey(std::uint8_t* bytes, std::size_t count, const Header& key) {
    std::size_t done = 0;
    for (; done + kHeaderSize <= count; done += kHeaderSize) {
        for (std::size_t i = 0; i < kHeaderSize; ++i) bytes[done + i] ^= key[i];
    }
    for (std::size_t i = 0; done + i < count; ++i) bytes[done + i] ^= key[i];
}

// The image from the input, chunk by chunk in order: the first chunk starts
// with the header, every input byte after it is XORed with the key, and the
// read that finds the end yields 0xFF, encoded as well.
class ImageChunks {
public:
    explicit ImageChunks(const Stamp& stamp) : m_stamp(stamp) {}

    // Turns count input bytes into image bytes in place; returns their number.
    std::size_t Encode(std::uint8_t* bytes, std::size_t count, bool last) {
        std::size_t body = 0;
        if (m_seen == 0) {
            // A header read that meets the end leaves no body and no end byte.
            if (count < kHeaderSize) {
                std::fill(bytes + count, bytes + kHeaderSize, kPastEnd);
                StampHeader(bytes, m_stamp);
                return kHeaderSize;
            }
            Header read{};
            std::copy(bytes, bytes + kHeaderSize, read.begin());
            StampHeader(bytes, m_stamp);
            m_key = MakeKey(bytes, read);
            body = kHeaderSize;
        }
        XorWithKey(bytes + body, count - body, m_key);
        m_seen += count;
        if (!last) return count;
        bytes[count] = kPastEnd ^ m_key[(m_seen - kHeaderSize) % kHeaderSize];
        return count + 1;
    }

private:
    Stamp m_stamp;
    Header m_key{};
    std::uint64_t m_seen = 0;  // input bytes encoded so far
};

// The pipe's failures carry the system's error number across its threads.
[[noreturn]] void RaiseErrno() { throw std::system_error(errno, std::generic_category()); }

bool WriteImage(std::FILE* in, std::FILE* out, const Stamp& stamp) {
    ImageChunks image(stamp);
    platform::ChunkPipe pipe;
    pipe.read = [in](std::uint8_t* bytes, std::size_t count) {
        const std::size_t got = std::fread(bytes, 1, count, in);
        if (got < count && std::ferror(in)) RaiseErrno();
        return got;
    };
    pipe.transform = [&image](std::uint8_t* bytes, std::size_t count, bool last) {
        return image.Encode(bytes, count, last);
    };
    pipe.write = [out](const std::uint8_t* bytes, std::size_t count) {
        if (std::fwrite(bytes, 1, count, out) != count) RaiseErrno();
    };
    try {
        pipe.Run();
    } catch (const std::system_error& error) {
        errno = error.code().value();
        return false;
    }
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
