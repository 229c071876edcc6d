#include "platform/Path.h"

#include <cctype>
#include <system_error>
#include <vector>

#include "platform/Win32.h"

namespace platform {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool HasDriveLetter(std::string_view path) {
    return path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
}

// Splits the part after "X:" into names, resolving "." and ".." lexically so
// that nothing climbs above the root, as Windows treats "E:\..\..".
std::vector<std::string> SplitBelowRoot(std::string_view rest) {
    std::vector<std::string> names;
    std::string current;
    auto flush = [&] {
        if (current == "..") {
            if (!names.empty()) names.pop_back();
        } else if (!current.empty() && current != ".") {
            names.push_back(current);
        }
        current.clear();
    };
    for (char c : rest) {
        if (IsSeparator(c)) {
            flush();
        } else {
            current += c;
        }
    }
    flush();
    return names;
}

std::optional<std::filesystem::path> DriveRoot(char letter) {
    if (std::toupper(static_cast<unsigned char>(letter)) == 'C') return std::filesystem::path("/");
    return std::nullopt;
}

}  // namespace

std::optional<std::filesystem::path> ToNativePath(std::string_view path) {
    if (!HasDriveLetter(path)) {
        std::string native(path);
        for (char& c : native) {
            if (c == '\\') c = '/';
        }
        return std::filesystem::path(native);
    }
    auto root = DriveRoot(path[0]);
    if (!root) return std::nullopt;
    std::filesystem::path native = *root;
    for (const auto& name : SplitBelowRoot(path.substr(2))) native /= name;
    return native;
}

std::string ToDrivePath(const std::filesystem::path& native) {
    std::string drive = "C:";
    std::string text = native.lexically_normal().generic_string();
    for (char& c : text) {
        if (c == '/') c = '\\';
    }
    if (text.empty() || text.front() != '\\') drive += '\\';
    return drive + text;
}

std::filesystem::path ModulePath() {
    std::error_code ec;
    auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : self;
}

}  // namespace platform

DWORD GetModuleFileNameA(HANDLE hModule, LPSTR lpFilename, DWORD nSize) {
    if (hModule != nullptr || lpFilename == nullptr || nSize == 0) return 0;
    auto self = platform::ModulePath();
    if (self.empty()) return 0;
    const std::string drive = platform::ToDrivePath(self);
    const DWORD n = static_cast<DWORD>(std::min<std::size_t>(drive.size(), nSize - 1));
    drive.copy(lpFilename, n);
    lpFilename[n] = '\0';
    return n;
}
