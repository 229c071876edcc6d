#include "support/PackageMaker.h"

#include <random>

#include "support/TempDir.h"

namespace testsupport {
namespace {

constexpr std::size_t kLeadSize = 128;
constexpr std::size_t kBlockSize = 256;

// The descrambler takes info[p] = halves-exchanged ~K[5p + 2]; both steps undo themselves.
std::uint8_t HiddenByte(std::uint8_t infoByte) {
    const auto swapped = static_cast<std::uint8_t>((infoByte << 4) | (infoByte >> 4));
    return static_cast<std::uint8_t>(~swapped);
}

void PutField(DeviceInfo& info, std::size_t offset, std::size_t length, std::string_view text) {
    for (std::size_t i = 0; i < length && i < text.size(); ++i) {
        info[offset + i] = static_cast<std::uint8_t>(text[i]);
    }
}

}  // namespace

DeviceInfo MakeDeviceInfo(std::string_view serial, std::string_view sd, std::string_view version) {
    DeviceInfo info{};
    PutField(info, deviceinfo::kSerialOffset, deviceinfo::kSerialLength, serial);
    PutField(info, deviceinfo::kSdOffset, deviceinfo::kSdLength, sd);
    PutField(info, deviceinfo::kVersionOffset, deviceinfo::kVersionLength, version);
    return info;
}

KeyBlock MakeKeyBlock(const DeviceInfo& info, std::uint32_t seed) {
    KeyBlock key{};
    const std::string noise = RandomBytes(key.size(), seed);
    for (std::size_t i = 0; i < key.size(); ++i) key[i] = static_cast<std::uint8_t>(noise[i]);
    for (std::size_t p = 0; p < info.size(); ++p) key[5 * p + 2] = HiddenByte(info[p]);
    return key;
}

std::string MakePackage(std::string_view archive, const KeyBlock& key, std::string_view lead) {
    std::string package(lead.substr(0, kLeadSize));
    package.resize(kLeadSize, '\0');
    package.append(key.begin(), key.end());
    const std::size_t full = archive.size() / kBlockSize * kBlockSize;
    // Scrambled byte k of a block is plain byte 255 - k XOR K[255 - k].
    for (std::size_t start = 0; start < full; start += kBlockSize) {
        for (std::size_t k = 0; k < kBlockSize; ++k) {
            const std::size_t mirror = kBlockSize - 1 - k;
            package +=
                static_cast<char>(static_cast<std::uint8_t>(archive[start + mirror]) ^ key[mirror]);
        }
    }
    package.append(archive.substr(full));
    return package;
}

std::string MakePackage(std::string_view archive, const DeviceInfo& info, std::uint32_t seed) {
    return MakePackage(archive, MakeKeyBlock(info, seed), RandomBytes(kLeadSize, seed + 1));
}

void WritePackage(const std::filesystem::path& path, std::string_view archive,
                  const DeviceInfo& info, std::uint32_t seed) {
    WriteFile(path, MakePackage(archive, info, seed));
}

std::string RandomBytes(std::size_t n, std::uint32_t seed) {
    std::mt19937 engine(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string bytes(n, '\0');
    for (char& c : bytes) c = static_cast<char>(byte(engine));
    return bytes;
}

}  // namespace testsupport
