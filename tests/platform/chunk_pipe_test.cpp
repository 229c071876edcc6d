#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>

#include "platform/ChunkPipe.h"

namespace {

using platform::ChunkPipe;
constexpr std::size_t kChunk = ChunkPipe::kChunkSize;

// A pipe from an in-memory input into `output`; each chunk's bytes are
// XORed with its number, and the last chunk gains the byte '$'.
struct MemoryPipe {
    explicit MemoryPipe(std::string in) : input(std::move(in)) {
        pipe.read = [this](std::uint8_t* bytes, std::size_t count) {
            if (readFails == reads++) throw std::runtime_error("read");
            const std::size_t n = std::min(count, input.size() - offset);
            std::copy_n(input.data() + offset, n, bytes);
            offset += n;
            return n;
        };
        pipe.transform = [this](std::uint8_t* bytes, std::size_t count, bool last) {
            for (std::size_t i = 0; i < count; ++i) bytes[i] ^= static_cast<std::uint8_t>(chunks);
            ++chunks;
            lasts += last ? 1 : 0;
            if (last) bytes[count++] = '$';
            return count;
        };
        pipe.write = [this](const std::uint8_t* bytes, std::size_t count) {
            if (writeFails == writes++) throw std::runtime_error("write");
            output.append(reinterpret_cast<const char*>(bytes), count);
        };
    }

    std::string Expected() const {
        std::string expected = input;
        for (std::size_t i = 0; i < expected.size(); ++i)
            expected[i] ^= static_cast<char>(i / kChunk);
        return expected + '$';
    }

    std::string input;
    std::string output;
    std::size_t offset = 0;
    std::size_t reads = 0, writes = 0, chunks = 0, lasts = 0;
    std::size_t readFails = SIZE_MAX, writeFails = SIZE_MAX;
    ChunkPipe pipe;
};

std::string Bytes(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 131 + i / 977);
    return bytes;
}

// Sizes within one chunk, at its edges, and past the ring's four slots.
TEST(ChunkPipeTest, WritesEveryChunkInOrderAndTheLastOneOnce) {
    for (std::size_t size :
         {std::size_t{0}, std::size_t{1}, kChunk - 1, kChunk, kChunk + 1, 9 * kChunk + 7}) {
        MemoryPipe memory(Bytes(size));
        memory.pipe.Run();
        EXPECT_TRUE(memory.output == memory.Expected()) << size;
        EXPECT_EQ(memory.lasts, 1u) << size;
        EXPECT_EQ(memory.chunks, size / kChunk + 1) << size;
    }
}

TEST(ChunkPipeTest, AWriteFailureEndsTheRunAndIsRaised) {
    MemoryPipe memory(Bytes(20 * kChunk));
    memory.writeFails = 2;
    EXPECT_THROW(memory.pipe.Run(), std::runtime_error);
    EXPECT_EQ(memory.output, memory.Expected().substr(0, 2 * kChunk));
    // The reader stops once the writer failed; it may be a few chunks ahead.
    EXPECT_LT(memory.reads, 10u);
}

TEST(ChunkPipeTest, AReadFailureEndsTheRunAndIsRaised) {
    for (std::size_t fails : {0, 1, 6}) {
        MemoryPipe memory(Bytes(20 * kChunk));
        memory.readFails = fails;
        EXPECT_THROW(memory.pipe.Run(), std::runtime_error) << fails;
        EXPECT_EQ(memory.output, memory.Expected().substr(0, fails * kChunk)) << fails;
        EXPECT_EQ(memory.lasts, 0u);
    }
}

}  // namespace
