// On Windows a drive-form path is the native one: the mapping keeps the
// text, reads it as UTF-8 and refuses only a letter that names no drive.
#include <cctype>
#include <cerrno>
#include <string>
#include <system_error>

#include "platform/Path.h"
#include "platform/Utf8.h"
#include "platform/Win32.h"

namespace platform {
namespace {

bool IsKnownDrive(std::string_view path) {
    if (path.size() < 2 || path[1] != ':' || !std::isalpha(static_cast<unsigned char>(path[0]))) {
        return true;  // no letter: relative, rooted or a UNC name
    }
    const char root[] = {path[0], ':', '\\', '\0'};
    return GetDriveTypeA(root) != DRIVE_NO_ROOT_DIR;
}

}  // namespace

std::optional<std::filesystem::path> ToNativePath(std::string_view path) {
    if (!IsKnownDrive(path)) {
        errno = ENOENT;
        return std::nullopt;
    }
    return Utf8Path(path);
}

std::string ToDrivePath(const std::filesystem::path& native) {
    std::error_code ec;
    std::string text = Utf8Text(std::filesystem::absolute(native, ec).lexically_normal());
    for (char& c : text) {
        if (c == '/') c = '\\';
    }
    return text;
}

// Every drive root is its own root path here: only the one that holds
// Windows is the system's.
bool IsSystemRoot(const std::filesystem::path& canonical) {
    wchar_t windows[MAX_PATH];
    const UINT n = GetSystemWindowsDirectoryW(windows, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return canonical == canonical.root_path();
    const std::wstring root = std::filesystem::path(windows).root_path().wstring();
    return canonical == canonical.root_path() &&
           CompareStringOrdinal(canonical.wstring().c_str(), -1, root.c_str(), -1, TRUE) ==
               CSTR_EQUAL;
}

std::filesystem::path ModulePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);  // cut: a longer buffer
    }
}

}  // namespace platform
