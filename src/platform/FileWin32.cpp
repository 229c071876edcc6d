// CFile on the C library's descriptors with wide names; binary always, since
// the runtime opens text mode by default.
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cerrno>
#include <optional>

#include "platform/ErrnoWin32.h"
#include "platform/File.h"
#include "platform/Path.h"
#include "platform/Win32.h"

namespace {

int OpenFlagsFor(unsigned flags) {
    int result = _O_BINARY | _O_NOINHERIT;
    if (flags & CFile::modeReadWrite) {
        result |= _O_RDWR;
    } else if (flags & CFile::modeWrite) {
        result |= _O_WRONLY;
    } else {
        result |= _O_RDONLY;
    }
    if (flags & CFile::modeCreate) {
        result |= _O_CREAT;
        if (!(flags & CFile::modeNoTruncate)) result |= _O_TRUNC;
    }
    return result;
}

bool IsFolder(const std::filesystem::path& native) {
    const DWORD attributes = GetFileAttributesW(native.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

struct FileId {
    DWORD volume = 0;
    DWORD high = 0;
    DWORD low = 0;
};

std::optional<FileId> IdOf(const std::string& path) {
    const auto native = platform::ToNativePath(path);
    if (!native) return std::nullopt;
    // No access asked: a file another program holds open is still named.
    HANDLE handle =
        CreateFileW(native->c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info{};
    const BOOL ok = GetFileInformationByHandle(handle, &info);
    CloseHandle(handle);
    if (!ok) return std::nullopt;
    return FileId{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

}  // namespace

CFile::CFile(const std::string& path, unsigned flags) { Open(path, flags); }

CFile::~CFile() { Abort(); }

void CFile::Open(const std::string& path, unsigned flags) {
    Abort();
    m_path = path;
    auto native = platform::ToNativePath(path);
    if (!native) Raise("open", ENOENT);
    const int fd = ::_wopen(native->c_str(), OpenFlagsFor(flags), _S_IREAD | _S_IWRITE);
    if (fd < 0) {
        // The runtime says "access denied" for a folder.
        const int error = errno == EACCES && IsFolder(*native) ? EISDIR : errno;
        Raise("open", platform::RefinedPathError(*native, error));
    }
    struct _stat64 st {};
    int error = 0;
    if (::_fstat64(fd, &st) != 0) {
        error = errno;
    } else if ((st.st_mode & _S_IFMT) != _S_IFREG) {
        error = CFileException::kNotRegularFile;
    }
    if (error != 0) {
        ::_close(fd);
        Raise("open", error);
    }
    m_fd = fd;
}

unsigned CFile::Read(void* buffer, unsigned count) {
    auto* bytes = static_cast<char*>(buffer);
    unsigned done = 0;
    while (done < count) {
        const int got = ::_read(m_fd, bytes + done, count - done);
        if (got < 0) Raise("read", errno);
        if (got == 0) break;
        done += static_cast<unsigned>(got);
    }
    return done;
}

void CFile::Write(const void* buffer, unsigned count) {
    const auto* bytes = static_cast<const char*>(buffer);
    unsigned done = 0;
    // The system's own call: a write the file system cuts short for want of
    // room succeeds with fewer bytes, and the next one says why; the C
    // runtime may take the short one for an invalid argument.
    const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(m_fd));
    while (done < count) {
        DWORD put = 0;
        if (!WriteFile(handle, bytes + done, count - done, &put, nullptr)) {
            Raise("write", platform::ErrnoFromLastError());
        }
        // A regular file that takes nothing has no room left.
        if (put == 0) Raise("write", ENOSPC);
        done += put;
    }
}

std::uint64_t CFile::Seek(std::int64_t offset, unsigned from) {
    const int whence = from == end ? SEEK_END : from == current ? SEEK_CUR : SEEK_SET;
    const __int64 position = ::_lseeki64(m_fd, offset, whence);
    if (position < 0) Raise("seek", errno);
    return static_cast<std::uint64_t>(position);
}

std::uint64_t CFile::GetLength() const {
    struct _stat64 st {};
    if (::_fstat64(m_fd, &st) != 0) Raise("length", errno);
    return static_cast<std::uint64_t>(st.st_size);
}

void CFile::Close() {
    if (m_fd < 0) return;
    const int fd = m_fd;
    m_fd = -1;
    if (::_close(fd) != 0) Raise("close", errno);
}

void CFile::Abort() {
    if (m_fd < 0) return;
    ::_close(m_fd);
    m_fd = -1;
}

void CFile::Raise(const char* operation, int error) const {
    throw CFileException(operation, m_path, error);
}

namespace platform {

bool IsSameFile(const std::string& first, const std::string& second) {
    const auto a = IdOf(first);
    const auto b = IdOf(second);
    return a && b && a->volume == b->volume && a->high == b->high && a->low == b->low;
}

}  // namespace platform
