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

#include "cli/Output.h"
#include "encoder/Encrypt.h"
#include "pipeline/Descrambler.h"

namespace {

// Stops the run with a finding that libFuzzer reports and keeps.
void Check(bool condition) {
    if (!condition) std::abort();
}

class ScratchDir {
public:
    ScratchDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "ostrel-fuzz-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        m_path = pattern;
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    std::string operator/(const char* name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

void WriteBytes(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    Check(static_cast<bool>(out));
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    Check(static_cast<bool>(in));
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint8_t Byte(std::string_view bytes, std::size_t i) {
    return static_cast<std::uint8_t>(bytes[i]);
}

std::uint8_t SwapHalves(std::uint8_t v) { return static_cast<std::uint8_t>((v << 4) | (v >> 4)); }

void CheckDescramble(const ScratchDir& dir, std::string_view package) {
    WriteBytes(dir / "package.rar", package);
    DeviceInfo info{};
    DescramblePackage(dir / "package.rar", dir / "TEMP.TMP", info);
    const std::string archive = ReadBytes(dir / "TEMP.TMP");

    std::array<std::uint8_t, 256> key{};
    for (std::size_t i = 0; i < key.size() && 128 + i < package.size(); ++i) {
        key[i] = Byte(package, 128 + i);
    }
    const std::size_t body = package.size() > 384 ? package.size() - 384 : 0;
    Check(archive.size() == body);
    const std::size_t full = body / 256 * 256;
    for (std::size_t j = 0; j < body; ++j) {
        const std::size_t block = j / 256 * 256;
        const std::uint8_t expected =
            j < full ? static_cast<std::uint8_t>(Byte(package, 384 + block + 255 - j % 256) ^ key[j % 256])
                     : Byte(package, 384 + j);
        Check(Byte(archive, j) == expected);
    }
    for (std::size_t p = 0; p < info.size(); ++p) {
        Check(info[p] == SwapHalves(static_cast<std::uint8_t>(~key[5 * p + 2])));
    }
    Check(ReadBytes(dir / "package.rar") == package);
}

void CheckEncode(const ScratchDir& dir, std::string_view ept) {
    DeviceInfo info{};
    std::copy_n(ept.begin(), std::min(ept.size(), info.size()), info.begin());
    WriteBytes(dir / "boot.ept", ept);
    Encrypt encoder(dir / "boot.ept", &info);
    Check(encoder.Encode());
    const std::string image = ReadBytes(dir / "boot.EXE");
    Check(image.size() == (ept.size() < 512 ? 512 : ept.size() + 1));
    Check(image.substr(0, 12) == "QUARVEL ARMF");
    for (std::size_t m = 0; m < 12; ++m) {
        Check(Byte(image, 256 + 7 * m) == static_cast<std::uint8_t>(~info[16 + m]));
    }
    for (std::size_t offset : {368, 375, 382, 389}) Check(Byte(image, offset) == 0xFF);
    // Outside the 32 changed header offsets the key is zero: body bytes are copied.
    for (std::size_t i = 12; i < 512; ++i) {
        const bool stamped = i >= 256 && i <= 389 && (i - 256) % 7 == 0;
        const std::uint8_t input = i < ept.size() ? Byte(ept, i) : 0xFF;
        if (!stamped) Check(Byte(image, i) == input);
        for (std::size_t n = i + 512; !stamped && n < ept.size(); n += 512) {
            Check(Byte(image, n) == Byte(ept, n));
        }
    }
    if (ept.size() >= 512) {
        const auto k0 = SwapHalves(static_cast<std::uint8_t>('Q' ^ Byte(ept, 0)));
        const auto last = (ept.size() - 512) % 512;
        if (last == 0) Check(Byte(image, ept.size()) == (0xFF ^ k0));
    }
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
    CheckTextHelpers(bytes);
    return 0;
}
