#include "platform/File.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

#include "platform/Path.h"

namespace {

std::optional<struct stat> StatPath(const std::string& path) {
    auto native = platform::ToNativePath(path);
    struct stat st {};
    if (!native || ::stat(native->c_str(), &st) != 0) return std::nullopt;
    return st;
}

int OpenFlagsFor(unsigned flags) {
    int result = O_CLOEXEC;
    if (flags & CFile::modeReadWrite) {
        result |= O_RDWR;
    } else if (flags & CFile::modeWrite) {
        result |= O_WRONLY;
    } else {
        result |= O_RDONLY;
    }
    if (flags & CFile::modeCreate) {
        result |= O_CREAT;
        if (!(flags & CFile::modeNoTruncate)) result |= O_TRUNC;
    }
    return result;
}

}  // namespace

CFile::CFile(const std::string& path, unsigned flags) { Open(path, flags); }

CFile::~CFile() { Abort(); }

void CFile::Open(const std::string& path, unsigned flags) {
    Abort();
    m_path = path;
    auto native = platform::ToNativePath(path);
    if (!native) Raise("open", ENOENT);
    int fd;
    do {
        // Non-blocking only for the open itself: a pipe must not hang it.
        fd = ::open(native->c_str(), OpenFlagsFor(flags) | O_NONBLOCK, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) Raise("open", errno);
    struct stat st {};
    int error = 0;
    if (::fstat(fd, &st) != 0) {
        error = errno;
    } else if (S_ISDIR(st.st_mode)) {
        error = EISDIR;
    } else if (!S_ISREG(st.st_mode)) {
        error = CFileException::kNotRegularFile;
    } else if (::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::close(fd);
        Raise("open", error);
    }
    m_fd = fd;
}

unsigned CFile::Read(void* buffer, unsigned count) {
    auto* bytes = static_cast<char*>(buffer);
    unsigned done = 0;
    while (done < count) {
        const ssize_t got = ::read(m_fd, bytes + done, count - done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) Raise("read", errno);
        if (got == 0) break;
        done += static_cast<unsigned>(got);
    }
    return done;
}

void CFile::Write(const void* buffer, unsigned count) {
    const auto* bytes = static_cast<const char*>(buffer);
    unsigned done = 0;
    while (done < count) {
        const ssize_t put = ::write(m_fd, bytes + done, count - done);
        if (put < 0 && errno == EINTR) continue;
        if (put < 0) Raise("write", errno);
        // A regular file that takes nothing has no room left.
        if (put == 0) Raise("write", ENOSPC);
        done += static_cast<unsigned>(put);
    }
}

std::uint64_t CFile::Seek(std::int64_t offset, unsigned from) {
    const int whence = from == end ? SEEK_END : from == current ? SEEK_CUR : SEEK_SET;
    const off_t position = ::lseek(m_fd, static_cast<off_t>(offset), whence);
    if (position < 0) Raise("seek", errno);
    return static_cast<std::uint64_t>(position);
}

std::uint64_t CFile::GetLength() const {
    struct stat st {};
    if (::fstat(m_fd, &st) != 0) Raise("length", errno);
    return static_cast<std::uint64_t>(st.st_size);
}

void CFile::Close() {
    if (m_fd < 0) return;
    const int fd = m_fd;
    m_fd = -1;
    // Linux releases the descriptor even when close reports an error; never retry.
    if (::close(fd) != 0 && errno != EINTR) Raise("close", errno);
}

void CFile::Abort() {
    if (m_fd < 0) return;
    ::close(m_fd);
    m_fd = -1;
}

void CFile::Raise(const char* operation, int error) const {
    throw CFileException(operation, m_path, error);
}

namespace platform {

bool IsSameFile(const std::string& first, const std::string& second) {
    const auto a = StatPath(first);
    const auto b = StatPath(second);
    return a && b && a->st_dev == b->st_dev && a->st_ino == b->st_ino;
}

}  // namespace platform
