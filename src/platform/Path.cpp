#include "platform/Path.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/Drives.h"
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
    auto drive = FindDrive(letter);
    if (!drive) return std::nullopt;
    return drive->root;
}

// Number of leading components of `path` that `root` covers, or nothing when
// path does not lie under root.
std::optional<std::size_t> CoveredDepth(const std::filesystem::path& root,
                                        const std::filesystem::path& path) {
    auto p = path.begin();
    std::size_t depth = 0;
    for (const auto& part : root) {
        if (part.empty()) continue;  // the empty name after a trailing '/'
        if (p == path.end() || *p != part) return std::nullopt;
        ++p;
        ++depth;
    }
    return depth;
}

// The drive whose root holds the path most closely (a stick mounted under
// /media wins over C:).
std::pair<char, std::filesystem::path> OwningDrive(const std::filesystem::path& native) {
    std::pair<char, std::filesystem::path> best{'C', "/"};
    std::size_t bestDepth = 0;
    for (const auto& drive : Drives()) {
        auto depth = CoveredDepth(drive.root, native);
        if (depth && *depth > bestDepth) {
            bestDepth = *depth;
            best = {drive.letter, drive.root};
        }
    }
    return best;
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
    if (!root) {
        errno = ENOENT;
        return std::nullopt;
    }
    std::filesystem::path native = *root;
    for (const auto& name : SplitBelowRoot(path.substr(2))) native /= name;
    return native;
}

std::string ToDrivePath(const std::filesystem::path& native) {
    std::error_code ec;
    const auto normal = std::filesystem::absolute(native, ec).lexically_normal();
    const auto [letter, root] = OwningDrive(normal);
    std::string text = DriveRootText(letter);
    const auto below = normal.lexically_relative(root);
    if (below.empty() || below == ".") return text;
    for (char c : below.generic_string()) text += c == '/' ? '\\' : c;
    return text;
}

bool IsSystemRoot(const std::filesystem::path& canonical) {
    return canonical == canonical.root_path();
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
