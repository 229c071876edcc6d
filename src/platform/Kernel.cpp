// Directories, files and pauses of the kernel interface.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <system_error>
#include <thread>

#include "platform/Path.h"
#include "platform/Win32.h"

namespace {

BOOL Result(bool ok) { return ok ? TRUE : FALSE; }

// Windows refuses to delete a file that carries the read-only attribute; on
// this side that attribute is a file without its owner's write permission.
bool IsReadOnlyFile(const struct stat& info) {
    return S_ISREG(info.st_mode) && (info.st_mode & S_IWUSR) == 0;
}

}  // namespace

BOOL CreateDirectoryA(LPCSTR lpPathName, void* /*lpSecurityAttributes*/) {
    const auto path = platform::NativeArgument(lpPathName);
    return Result(path && ::mkdir(path->c_str(), 0777) == 0);
}

BOOL RemoveDirectoryA(LPCSTR lpPathName) {
    const auto path = platform::NativeArgument(lpPathName);
    return Result(path && ::rmdir(path->c_str()) == 0);
}

// A symbolic link is deleted itself, whatever it points to, so that a purge
// never reaches through a link.
BOOL DeleteFileA(LPCSTR lpFileName) {
    const auto path = platform::NativeArgument(lpFileName);
    if (!path) return FALSE;
    struct stat info {};
    if (::lstat(path->c_str(), &info) != 0) return FALSE;
    if (S_ISDIR(info.st_mode)) {
        errno = EISDIR;
        return FALSE;
    }
    if (IsReadOnlyFile(info)) {
        errno = EACCES;
        return FALSE;
    }
    return Result(::unlink(path->c_str()) == 0);
}

BOOL SetFileAttributesA(LPCSTR lpFileName, DWORD dwFileAttributes) {
    const auto path = platform::NativeArgument(lpFileName);
    if (!path) return FALSE;
    const int fd = ::open(path->c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return Result(errno == ELOOP);  // a link keeps its own attributes
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0;
    if (ok) {
        mode_t mode = info.st_mode & 07777;
        if ((dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0 && !S_ISDIR(info.st_mode)) {
            mode &= ~mode_t{0222};
        } else {
            mode |= S_IWUSR | (S_ISDIR(info.st_mode) ? S_IXUSR : 0);
        }
        ok = ::fchmod(fd, mode) == 0;
    }
    const int error = errno;
    ::close(fd);
    errno = error;
    return Result(ok);
}

void Sleep(DWORD dwMilliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(dwMilliseconds));
}

BOOL PathFileExistsA(LPCSTR pszPath) {
    const auto path = platform::NativeArgument(pszPath);
    std::error_code ec;
    return Result(path && std::filesystem::exists(*path, ec));
}
