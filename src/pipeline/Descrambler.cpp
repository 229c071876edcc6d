#include "pipeline/Descrambler.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/File.h"

namespace {

constexpr std::int64_t kLeadSize = 128;
constexpr unsigned kBlockSize = 256;
// Blocks are read many at a time so that each read and write is one system
// call; memory stays at this one buffer whatever the package size.
constexpr unsigned kBlocksPerRead = 256;

using KeyBlock = std::array<std::uint8_t, kBlockSize>;

constexpr unsigned kWordsPerBlock = kBlockSize / 8;
using KeyWords = std::array<std::uint64_t, kWordsPerBlock>;

std::uint64_t LoadWord(const std::uint8_t* bytes) {
    std::uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

void StoreWord(std::uint8_t* bytes, std::uint64_t word) { std::memcpy(bytes, &word, sizeof word); }

KeyWords ToWords(const KeyBlock& key) {
    KeyWords words{};
    for (unsigned w = 0; w < kWordsPerBlock; ++w) words[w] = LoadWord(key.data() + 8 * w);
    return words;
}

// Output byte j is input byte 255 - j XOR K[j]: the pairwise exchange of the
// block loop, done in place eight bytes at a time (reversing the bytes of a
// word in memory is a byte swap of its value, whatever the machine's order).
void DescrambleBlock(std::uint8_t* block, const KeyWords& key) {
    for (unsigned w = 0; w < kWordsPerBlock / 2; ++w) {
        const unsigned mirror = kWordsPerBlock - 1 - w;
        const std::uint64_t front = LoadWord(block + 8 * w);
        const std::uint64_t back = LoadWord(block + 8 * mirror);
        StoreWord(block + 8 * w, __builtin_bswap64(back) ^ key[w]);
        StoreWord(block + 8 * mirror, __builtin_bswap64(front) ^ key[mirror]);
    }
}

// Full blocks are descrambled; a short read is the end, and its bytes past the
// last full block are the plain tail.
void DescrambleBody(CFile& package, CFile& scratch, const KeyWords& key) {
    std::vector<std::uint8_t> buffer(kBlockSize * kBlocksPerRead);
    const auto capacity = static_cast<unsigned>(buffer.size());
    unsigned count;
    do {
        count = package.Read(buffer.data(), capacity);
        const unsigned full = count / kBlockSize;
        for (unsigned b = 0; b < full; ++b) DescrambleBlock(buffer.data() + b * kBlockSize, key);
        scratch.Write(buffer.data(), count);
    } while (count == capacity);
}

// Key bytes 2, 7, ... 217, inverted, halves exchanged.
DeviceInfo DeviceInfoFromKey(const KeyBlock& key) {
    DeviceInfo info{};
    for (std::size_t p = 0; p < info.size(); ++p) {
        const auto v = static_cast<std::uint8_t>(~key[5 * p + 2]);
        info[p] = static_cast<std::uint8_t>((v << 4) | (v >> 4));
    }
    return info;
}

}  // namespace

void DescramblePackage(const std::string& packagePath, const std::string& scratchPath,
                       DeviceInfo& info) {
    CFile package(packagePath, CFile::modeRead);
    // Creating the scratch archive over the package would empty the package.
    if (platform::IsSameFile(packagePath, scratchPath)) {
        throw CFileException("create", scratchPath, EEXIST);
    }
    CFile scratch(scratchPath, CFile::modeCreate | CFile::modeWrite);
    package.Seek(kLeadSize, CFile::begin);
    // A package too short for a whole key leaves the rest of the key zero.
    KeyBlock key{};
    package.Read(key.data(), kBlockSize);
    DescrambleBody(package, scratch, ToWords(key));
    package.Close();
    scratch.Close();
    info = DeviceInfoFromKey(key);
}
