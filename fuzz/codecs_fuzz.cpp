// Fuzzes the package descrambler and the device image encoder with the same
// bytes, as a package and as an .EPT file, and checks each result against the
// formulas of the formats; also the command line's hex and JSON helpers.
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "cli/Output.h"
#include "encoder/Encrypt.h"
#include "pipeline/Descrambler.h"

namespace {

using fuzzsupport::Check;
using fuzzsupport::ReadBytes;
using fuzzsupport::ScratchDir;
using fuzzsupport::WriteBytes;

std::uint8_t Byte(std::string_view bytes, std::size_t i) {
    return static_cast<std::uint8_t>(bytes[i]);
}

std::uint8_t SwapHalves(std::uint8_t v) { return static_cast<std::uint8_t>((v << 4) | (v >> 4)); }

// The plain archive by the block formula: output byte j of a full block is
// input byte 255 - j XOR K[j]; the tail stays as it is.
std::string ExpectedArchive(std::string_view package) {
    if (package.size() <= 384) return {};
    const std::string_view key = package.substr(128, 256);
    std::string archive(package.substr(384));
    const std::size_t full = archive.size() / 256 * 256;
    for (std::size_t start = 0; start < full; start += 256) {
        for (std::size_t j = 0; j < 256; ++j) {
            archive[start + j] = static_cast<char>(package[384 + start + 255 - j] ^ key[j]);
        }
    }
    return archive;
}

void CheckDescramble(const ScratchDir& dir, std::string_view package) {
    WriteBytes(dir / "package.rar", package);
    DeviceInfo info{};
    DescramblePackage(dir / "package.rar", dir / "TEMP.TMP", info);
    Check(ReadBytes(dir / "TEMP.TMP") == ExpectedArchive(package));
    std::array<std::uint8_t, 256> key{};
    for (std::size_t i = 0; i < key.size() && 128 + i < package.size(); ++i) {
        key[i] = Byte(package, 128 + i);
    }
    for (std::size_t p = 0; p < info.size(); ++p) {
        Check(info[p] == SwapHalves(static_cast<std::uint8_t>(~key[5 * p + 2])));
    }
    Check(ReadBytes(dir / "package.rar") == package);
}

// The image by the format's description: header with magic and complemented
// stamp (0xFF past the end of the input), body XOR the key, one end byte.
std::string ExpectedImage(std::string_view ept, const DeviceInfo& info) {
    std::string header(512, '\xFF');
    ept.substr(0, 512).copy(header.data(), 512);
    const std::string read = header;
    std::string("QUARVEL ARMF").copy(header.data(), 12);
    auto nibble = [](std::uint8_t c) -> int {
        return Encrypt::HexValue(static_cast<char>(c)) % 16;
    };
    for (std::size_t m = 0; m < 20; ++m) {
        std::uint8_t s = 0;
        if (m < 12) s = info[16 + m];
        if (m >= 12 && m < 16) {
            const std::size_t p = m - 12;
            s = static_cast<std::uint8_t>(nibble(info[28 + 2 * p]) * 16 + nibble(info[29 + 2 * p]));
        }
        header[256 + 7 * m] = static_cast<char>(~s);
    }
    if (ept.size() < 512) return header;
    std::string key(512, '\0');
    for (std::size_t l = 0; l < 512; ++l) {
        key[l] = static_cast<char>(SwapHalves(static_cast<std::uint8_t>(header[l] ^ read[l])));
    }
    std::string image = header + std::string(ept.substr(512)) + "\xFF";
    for (std::size_t n = 512; n < image.size(); ++n) image[n] ^= key[(n - 512) % 512];
    return image;
}

void CheckEncode(const ScratchDir& dir, std::string_view ept) {
    DeviceInfo info{};
    std::copy_n(ept.begin(), std::min(ept.size(), info.size()), info.begin());
    WriteBytes(dir / "boot.ept", ept);
    Encrypt encoder(dir / "boot.ept", &info);
    Check(encoder.Encode());
    Check(ReadBytes(dir / "boot.EXE") == ExpectedImage(ept, info));
    Check(ReadBytes(dir / "boot.ept") == ept);
}

void CheckTextHelpers(std::string_view bytes) {
    const std::string json = cli::JsonString(bytes);
    Check(json.size() >= 2 && json.front() == '"' && json.back() == '"');
    for (char c : json) Check(static_cast<unsigned char>(c) >= 0x20);
    if (const auto parsed = cli::ParseHex(bytes)) {
        const auto again = cli::ParseHex(cli::ToHex(*parsed));
        Check(again && *again == *parsed);
    }
    const std::string printable = cli::PrintableText(bytes);
    for (char c : printable) Check(c >= 0x20 && c < 0x7F);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    ScratchDir dir;
    CheckDescramble(dir, bytes);
    CheckEncode(dir, bytes);
    // The text helpers serve short fields; a few KiB covers every path through them.
    CheckTextHelpers(bytes.substr(0, 4096));
    return 0;
}
