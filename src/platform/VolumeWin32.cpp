#include <cerrno>
#include <string>

#include "platform/ErrnoWin32.h"
#include "platform/Volume.h"
#include "platform/Win32.h"

namespace platform {
namespace {

// The root of the volume holding `path` (E:\), empty when unknown.
std::wstring VolumeRoot(const std::filesystem::path& path) {
    wchar_t root[MAX_PATH] = {};
    const std::wstring absolute = std::filesystem::absolute(path).wstring();
    if (!GetVolumePathNameW(absolute.c_str(), root, MAX_PATH)) return {};
    return root;
}

int FlushFile(const std::filesystem::path& file) {
    HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return ErrnoFromLastError();
    const int error = FlushFileBuffers(handle) ? 0 : ErrnoFromLastError();
    CloseHandle(handle);
    return error;
}

// The first failure's errno value, 0 when every file was written back.
int FlushFilesBelow(const std::filesystem::path& path) {
    std::error_code ec;
    if (!std::filesystem::is_directory(path, ec)) return ec ? ec.value() : ENOTDIR;
    std::filesystem::recursive_directory_iterator it(path, ec);
    // A drive root with nothing in it has not even "." and "..": Windows
    // finds nothing there, which the iterator takes for a missing folder.
    if (ec == std::errc::no_such_file_or_directory) return 0;
    for (const std::filesystem::recursive_directory_iterator end; !ec && it != end;
         it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        if (const int error = FlushFile(it->path())) return error;
    }
    return ec ? ec.value() : 0;
}

}  // namespace

bool IsReadOnlyVolume(const std::filesystem::path& path) {
    const std::wstring root = VolumeRoot(path);
    DWORD flags = 0;
    return !root.empty() &&
           GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) &&
           (flags & FILE_READ_ONLY_VOLUME) != 0;
}

// The volume's own handle (\\.\E:) would take one FlushFileBuffers for
// all its files, but only an administrator may open it: each file below
// `path` is written back instead.
int FlushVolume(const std::filesystem::path& path) { return FlushFilesBelow(path); }

int CreationFailure(const std::filesystem::path& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) return RefinedPathError(path, ErrnoFromLastError());
    CloseHandle(file);
    return 0;
}

}  // namespace platform
