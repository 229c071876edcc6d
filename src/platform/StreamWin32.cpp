// The runtime's streams on Windows: wide names, so that UTF-8 paths reach the
// system whole, and the C library's missing "x" mode done with _O_EXCL.
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <string_view>

#include "platform/ErrnoWin32.h"
#include "platform/Path.h"
#include "platform/Stream.h"
#include "platform/Win32.h"

namespace platform {
namespace {

// The runtime says "access denied" for a folder, where POSIX says what it is.
bool IsFolder(const std::filesystem::path& native) {
    const DWORD attributes = GetFileAttributesW(native.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring WideMode(std::string_view mode) { return std::wstring(mode.begin(), mode.end()); }

// "wx"/"wbx": a new file only, binary, as C11 says; msvcrt knows no "x".
std::FILE* OpenExclusive(const std::filesystem::path& native, std::string_view mode) {
    const bool update = mode.find('+') != std::string_view::npos;
    const int fd =
        ::_wopen(native.c_str(),
                 _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT | (update ? _O_RDWR : _O_WRONLY),
                 _S_IREAD | _S_IWRITE);
    if (fd < 0) return nullptr;
    std::FILE* stream = ::_wfdopen(fd, update ? L"w+b" : L"wb");
    if (stream == nullptr) {
        const int error = errno;
        ::_close(fd);
        errno = error;
    }
    return stream;
}

}  // namespace

std::FILE* OpenStream(const std::string& path, const char* mode) {
    const auto native = ToNativePath(path);
    if (!native) {
        errno = ENOENT;
        return nullptr;
    }
    const std::string_view text = mode;
    std::FILE* stream = text.find('x') != std::string_view::npos
                            ? OpenExclusive(*native, text)
                            : ::_wfopen(native->c_str(), WideMode(text).c_str());
    if (stream == nullptr) {
        errno = errno == EACCES && IsFolder(*native) ? EISDIR : RefinedPathError(*native, errno);
    }
    return stream;
}

void UseBinaryStandardStreams() {
    (void)::_setmode(::_fileno(stdout), _O_BINARY);
    (void)::_setmode(::_fileno(stderr), _O_BINARY);
}

bool RemoveFile(const std::string& path) {
    const auto native = ToNativePath(path);
    if (!native) {
        errno = ENOENT;
        return false;
    }
    return ::_wremove(native->c_str()) == 0;
}

bool UnlinkFile(const std::string& path) {
    const auto native = ToNativePath(path);
    if (!native) {
        errno = ENOENT;
        return false;
    }
    if (DeleteFileW(native->c_str())) return true;
    const DWORD error = GetLastError();
    if (IsFolder(*native)) {
        errno = EISDIR;
        return false;
    }
    errno = ErrnoFromSystemError(error);
    return false;
}

}  // namespace platform
