#include "platform/FolderLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace platform {

// flock binds open descriptions, not processes: a second job in the same
// process is refused as one in another process is.
std::optional<FolderLock> FolderLock::TryLock(const std::filesystem::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return std::nullopt;
    }
    return FolderLock(fd);
}

FolderLock::FolderLock(FolderLock&& other) noexcept : m_handle(std::exchange(other.m_handle, -1)) {}

FolderLock& FolderLock::operator=(FolderLock&& other) noexcept {
    if (this != &other) {
        if (m_handle >= 0) ::close(static_cast<int>(m_handle));
        m_handle = std::exchange(other.m_handle, -1);
    }
    return *this;
}

FolderLock::~FolderLock() {
    if (m_handle >= 0) ::close(static_cast<int>(m_handle));
}

}  // namespace platform
