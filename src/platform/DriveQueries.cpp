// The drive calls of the kernel interface: list, type, capacity.
#include <sys/statvfs.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <string_view>

#include "platform/Drives.h"
#include "platform/Path.h"
#include "platform/Win32.h"

namespace {

// The drive that holds a path, and the native path itself.
std::optional<std::pair<platform::Drive, std::filesystem::path>> Locate(LPCSTR path) {
    const std::string text = path ? path : "C:\\";
    const auto native = platform::ToNativePath(text);
    if (!native) return std::nullopt;
    const std::string drivePath = platform::ToDrivePath(*native);
    auto drive = platform::FindDrive(drivePath[0]);
    if (!drive) {
        errno = ENOENT;
        return std::nullopt;
    }
    return std::make_pair(std::move(*drive), *native);
}

void Store(ULARGE_INTEGER* out, std::uint64_t value) {
    if (out) out->QuadPart = value;
}

}  // namespace

DWORD GetLogicalDriveStringsA(DWORD nBufferLength, LPSTR lpBuffer) {
    std::string list;
    for (const auto& drive : platform::Drives()) {
        list += platform::DriveRootText(drive.letter);
        list += '\0';
    }
    const auto length = static_cast<DWORD>(list.size());
    if (lpBuffer == nullptr || nBufferLength <= length) return length + 1;
    list.copy(lpBuffer, list.size());
    lpBuffer[length] = '\0';
    return length;
}

UINT GetDriveTypeA(LPCSTR lpRootPathName) {
    const auto letter = platform::RootLetter(lpRootPathName ? lpRootPathName : "C:\\");
    if (!letter) return DRIVE_NO_ROOT_DIR;
    const auto drive = platform::FindDrive(*letter);
    if (!drive) return DRIVE_NO_ROOT_DIR;
    return drive->removable ? DRIVE_REMOVABLE : DRIVE_FIXED;
}

// A folder-backed drive with a declared size reports that size, and never
// more free space than it.
BOOL GetDiskFreeSpaceExA(LPCSTR lpDirectoryName, ULARGE_INTEGER* lpFreeBytesAvailableToCaller,
                         ULARGE_INTEGER* lpTotalNumberOfBytes,
                         ULARGE_INTEGER* lpTotalNumberOfFreeBytes) {
    const auto located = Locate(lpDirectoryName);
    if (!located) return FALSE;
    const auto& [drive, native] = *located;
    struct statvfs info {};
    if (::statvfs(native.c_str(), &info) != 0) return FALSE;
    const std::uint64_t unit = info.f_frsize;
    std::uint64_t total = info.f_blocks * unit;
    std::uint64_t available = info.f_bavail * unit;
    std::uint64_t free = info.f_bfree * unit;
    if (drive.declaredBytes != 0) {
        total = drive.declaredBytes;
        available = std::min(available, total);
        free = std::min(free, total);
    }
    Store(lpFreeBytesAvailableToCaller, available);
    Store(lpTotalNumberOfBytes, total);
    Store(lpTotalNumberOfFreeBytes, free);
    return TRUE;
}
