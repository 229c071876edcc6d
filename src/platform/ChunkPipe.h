// The copy loop of the codecs: a file's bytes pass in large chunks from a
// reader through a transform, in place, to a writer. Reading and writing are
// each a copy inside the system; the pipe overlaps them on two threads (the
// caller's reads and transforms, a second one writes), which is what lets a
// transforming copy keep pace with a plain one. Memory stays at a few chunks
// whatever the file size; an input that fits in one chunk never starts the
// second thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace platform {

struct ChunkPipe {
    // Every chunk but the last holds exactly this many bytes: a whole number
    // of pages and of the codecs' 256- and 512-byte periods.
    static constexpr std::size_t kChunkSize = 256 * 1024;
    // Room after the last chunk's bytes that its transform may fill.
    static constexpr std::size_t kTailRoom = 512;

    // Fills bytes with up to count bytes and returns how many: fewer only at
    // the end of the input.
    std::function<std::size_t(std::uint8_t* bytes, std::size_t count)> read;
    // Changes a chunk in place and returns how many of its bytes to write: at
    // most count, and at most count + kTailRoom for the last chunk (last is
    // true when the chunk is short, a 0-byte chunk after full ones included).
    std::function<std::size_t(std::uint8_t* bytes, std::size_t count, bool last)> transform;
    // Writes all count bytes.
    std::function<void(const std::uint8_t* bytes, std::size_t count)> write;

    // Runs the pipe to the end of the input. Failures are reported by the
    // three functions throwing: the first exception ends the run and is
    // raised again here once both threads have stopped. Chunks are written
    // in order, each only after every chunk before it was written.
    void Run() const;
};

}  // namespace platform
