#include "platform/ChunkPipe.h"

#include <array>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace platform {
namespace {

// Four chunks in flight: the reader seldom waits for a writer that keeps
// pace, and together they stay within one core's L2 cache.
constexpr std::size_t kSlots = 4;

using Chunk = std::unique_ptr<std::uint8_t[]>;

// Never zero-filled: a small input touches only the pages it uses.
Chunk NewChunk() {
    return std::make_unique_for_overwrite<std::uint8_t[]>(ChunkPipe::kChunkSize +
                                                          ChunkPipe::kTailRoom);
}

// Chunk slots that the caller's thread fills in turn and a writer thread
// writes in the same order and gives back.
class Ring {
public:
    // Starts the writer with `first`, count bytes to write, already handed over.
    Ring(const ChunkPipe& pipe, Chunk first, std::size_t count) : m_pipe(pipe) {
        m_slots[0] = std::move(first);
        m_counts[0] = count;
        m_filled = 1;
        try {
            m_writer = std::thread([this] { WriteAll(); });
        } catch (const std::system_error&) {
            // No second thread to be had: this thread writes each chunk itself.
            m_filled = 0;
            Write(m_slots[0].get(), count);
        }
    }

    // Lets the writer finish what it was given (or stop at its failure).
    ~Ring() {
        {
            std::lock_guard lock(m_mutex);
            m_ending = true;
        }
        m_changed.notify_all();
        if (m_writer.joinable()) m_writer.join();
    }

    Ring(const Ring&) = delete;
    Ring& operator=(const Ring&) = delete;

    // Reads, transforms and hands over chunks up to the last one; raises the
    // first failure of either thread.
    void Fill() {
        for (bool last = false; !last;) {
            std::uint8_t* bytes = Take();
            if (bytes == nullptr) break;  // the writer failed
            const std::size_t count = m_pipe.read(bytes, ChunkPipe::kChunkSize);
            last = count < ChunkPipe::kChunkSize;
            Give(m_pipe.transform(bytes, count, last));
        }
        WaitForWriter();
    }

private:
    void Write(const std::uint8_t* bytes, std::size_t count) const {
        if (count != 0) m_pipe.write(bytes, count);
    }

    // The next free slot's bytes; null once the writer has failed.
    std::uint8_t* Take() {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_failure || m_filled - m_written < kSlots; });
        if (m_failure) return nullptr;
        Chunk& slot = m_slots[m_filled % kSlots];
        if (!slot) slot = NewChunk();
        return slot.get();
    }

    void Give(std::size_t count) {
        const std::size_t index = m_filled % kSlots;
        if (!m_writer.joinable()) {
            Write(m_slots[index].get(), count);
            return;
        }
        {
            std::lock_guard lock(m_mutex);
            m_counts[index] = count;
            ++m_filled;
        }
        m_changed.notify_all();
    }

    void WaitForWriter() {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_failure || m_written == m_filled; });
        if (m_failure) std::rethrow_exception(m_failure);
    }

    void WriteAll() {
        for (;;) {
            std::size_t index = 0;
            {
                std::unique_lock lock(m_mutex);
                m_changed.wait(lock, [this] { return m_ending || m_written < m_filled; });
                if (m_written == m_filled) return;
                index = m_written % kSlots;
            }
            std::exception_ptr failure;
            try {
                Write(m_slots[index].get(), m_counts[index]);
            } catch (...) {
                failure = std::current_exception();
            }
            {
                std::lock_guard lock(m_mutex);
                if (failure) {
                    m_failure = failure;
                } else {
                    ++m_written;
                }
            }
            m_changed.notify_all();
            if (failure) return;
        }
    }

    const ChunkPipe& m_pipe;
    std::array<Chunk, kSlots> m_slots;
    std::array<std::size_t, kSlots> m_counts{};
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::size_t m_filled = 0;   // chunks handed over
    std::size_t m_written = 0;  // chunks written
    bool m_ending = false;
    std::exception_ptr m_failure;
    std::thread m_writer;
};

}  // namespace

void ChunkPipe::Run() const {
    Chunk first = NewChunk();
    const std::size_t count = read(first.get(), kChunkSize);
    const bool last = count < kChunkSize;
    const std::size_t out = transform(first.get(), count, last);
    if (last) {
        if (out != 0) write(first.get(), out);
        return;
    }
    Ring ring(*this, std::move(first), out);
    ring.Fill();
}

}  // namespace platform
