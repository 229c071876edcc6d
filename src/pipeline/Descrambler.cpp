#include "pipeline/Descrambler.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "platform/ChunkPipe.h"
#include "platform/File.h"
#include "platform/Win32.h"

namespace {

constexpr std::int64_t kLeadSize = 128;
constexpr unsigned kBlockSize = 256;
static_assert(platform::ChunkPipe::kChunkSize % kBlockSize == 0);

using KeyBlock = std::array<std::uint8_t, kBlockSize>;

// A block as 16 lanes of 16 bytes, for the compiler's vector extension.
constexpr unsigned kLane = 16;
constexpr unsigned kLanesPerBlock = kBlockSize / kLane;
using Lane = std::uint8_t __attribute__((vector_size(kLane)));
using KeyLanes = std::array<Lane, kLanesPerBlock>;

Lane LoadLane(const std::uint8_t* bytes) {
    Lane lane;
    std::memcpy(&lane, bytes, sizeof lane);
    return lane;
}

void StoreLane(std::uint8_t* bytes, Lane lane) { std::memcpy(bytes, &lane, sizeof lane); }

Lane Reversed(Lane v) {
    return __builtin_shufflevector(v, v, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
}

KeyLanes ToLanes(const KeyBlock& key) {
    KeyLanes lanes{};
    for (unsigned l = 0; l < kLanesPerBlock; ++l) lanes[l] = LoadLane(key.data() + kLane * l);
    return lanes;
}

// Output byte j is input byte 255 - j XOR K[j]: the pairwise exchange of the
// block loop, done in place sixteen bytes at a time. A byte shuffle (SSSE3)
// makes this a small part of the run time; other machines take the plain path.
// ThreadSanitizer cannot run the clones' resolver before main, and Windows
// executables have no resolver (ifunc) at all, so those builds take the
// plain path.
#if defined(__SANITIZE_THREAD__) || defined(_WIN32)
#define OSTREL_BLOCK_CLONES
#else
#define OSTREL_BLOCK_CLONES __attribute__((target_clones("ssse3", "default")))
#endif

OSTREL_BLOCK_CLONES void DescrambleBlock(std::uint8_t* block, const KeyLanes& key) {
    for (unsigned l = 0; l < kLanesPerBlock / 2; ++l) {
        const unsigned mirror = kLanesPerBlock - 1 - l;
        const Lane front = LoadLane(block + kLane * l);
        const Lane back = LoadLane(block + kLane * mirror);
        StoreLane(block + kLane * l, Reversed(back) ^ key[l]);
        StoreLane(block + kLane * mirror, Reversed(front) ^ key[mirror]);
    }
}

// Full blocks are descrambled; the short last chunk is the end, and its bytes
// past the last full block are the plain tail (every earlier chunk is a whole
// number of blocks).
void DescrambleBody(CFile& package, CFile& scratch, const KeyLanes& key) {
    platform::ChunkPipe pipe;
    pipe.read = [&package](std::uint8_t* bytes, std::size_t count) -> std::size_t {
        return package.Read(bytes, static_cast<unsigned>(count));
    };
    pipe.transform = [&key](std::uint8_t* bytes, std::size_t count, bool) {
        for (std::size_t b = 0; b < count / kBlockSize; ++b)
            DescrambleBlock(bytes + b * kBlockSize, key);
        return count;
    };
    pipe.write = [&scratch](const std::uint8_t* bytes, std::size_t count) {
        scratch.Write(bytes, static_cast<unsigned>(count));
    };
    pipe.Run();
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
    // A scratch archive cut short by a full disk or a read error is removed:
    // it must never be taken for the package's archive.
    KeyBlock key{};
    try {
        package.Seek(kLeadSize, CFile::begin);
        // A package too short for a whole key leaves the rest of the key zero.
        package.Read(key.data(), kBlockSize);
        DescrambleBody(package, scratch, ToLanes(key));
        package.Close();
        scratch.Close();
    } catch (const CFileException&) {
        scratch.Abort();
        DeleteFileA(scratchPath.c_str());
        throw;
    }
    info = DeviceInfoFromKey(key);
}
