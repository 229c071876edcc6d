#include "platform/ErrnoWin32.h"

#include <cerrno>

#include "platform/Win32.h"

namespace platform {

int ErrnoFromSystemError(unsigned long code) {
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_PATHNAME:
            return ENOENT;
        case ERROR_ACCESS_DENIED:
        case ERROR_CURRENT_DIRECTORY:
            return EACCES;
        case ERROR_WRITE_PROTECT:
            return EROFS;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_BUSY:
            return EBUSY;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return ENOSPC;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return EEXIST;
        case ERROR_DIR_NOT_EMPTY:
            return ENOTEMPTY;
        case ERROR_DIRECTORY:
            return ENOTDIR;
        case ERROR_FILENAME_EXCED_RANGE:
            return ENAMETOOLONG;
        case ERROR_NOT_READY:
        case ERROR_DEV_NOT_EXIST:
        case ERROR_DEVICE_NOT_CONNECTED:
            return ENODEV;
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
            return ENOMEM;
        case ERROR_TOO_MANY_OPEN_FILES:
            return EMFILE;
        case ERROR_CRC:
        case ERROR_READ_FAULT:
        case ERROR_WRITE_FAULT:
        case ERROR_GEN_FAILURE:
        case ERROR_IO_DEVICE:
            return EIO;
        default:
            return EINVAL;
    }
}

int ErrnoFromLastError() {
    errno = ErrnoFromSystemError(GetLastError());
    return errno;
}

int RefinedPathError(const std::filesystem::path& path, int error) {
    if (error != ENOENT && error != EINVAL) return error;
    for (const auto& name : path) {
        if (name.native().size() > 255) return ENAMETOOLONG;
    }
    std::error_code ec;
    for (auto at = path.parent_path(); error == ENOENT && !at.empty() && at != at.parent_path();
         at = at.parent_path()) {
        if (std::filesystem::is_regular_file(at, ec)) return ENOTDIR;
    }
    return error;
}

}  // namespace platform
