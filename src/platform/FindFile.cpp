// Directory search: FindFirstFileA, FindNextFileA, FindClose.
//
// Entries come back as NTFS lists them: "." and "..", then ordinal order of
// the upper-cased names. Upper-casing is ASCII only, byte by byte, so UTF-8
// names keep their byte order among themselves. The whole folder is read at
// the start, so entries added meanwhile are not seen (as with a snapshot).
#include <fnmatch.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/Path.h"
#include "platform/Win32.h"

namespace {

namespace fs = std::filesystem;

struct Search {
    std::vector<WIN32_FIND_DATAA> entries;
    std::size_t next = 0;
};

std::string UpperAscii(std::string_view name) {
    std::string upper(name);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return upper;
}

// Each name is upper-cased once, not in every comparison: on a folder of
// thousands of names, the comparisons' own copies cost more than reading it.
void SortInNtfsOrder(std::vector<WIN32_FIND_DATAA>& entries) {
    std::vector<std::pair<std::string, std::size_t>> keys;
    keys.reserve(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        keys.emplace_back(UpperAscii(entries[i].cFileName), i);
    }
    std::sort(keys.begin(), keys.end(), [&](const auto& a, const auto& b) {
        if (a.first != b.first) return a.first < b.first;  // bytes as unsigned char
        // names differing only in case
        return std::strcmp(entries[a.second].cFileName, entries[b.second].cFileName) < 0;
    });
    std::vector<WIN32_FIND_DATAA> sorted;
    sorted.reserve(entries.size());
    for (const auto& key : keys) sorted.push_back(entries[key.second]);
    entries = std::move(sorted);
}

bool HasWildcard(std::string_view name) { return name.find_first_of("*?") != name.npos; }

// "*" and "*.*" both take every name, with or without a dot, as on Windows.
bool Matches(const std::string& pattern, const std::string& name) {
    if (pattern == "*" || pattern == "*.*") return true;
    return fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD | FNM_NOESCAPE) == 0;
}

// A link is reported as what it is, not as what it names: a search never
// leads a walk into a folder elsewhere.
DWORD Attributes(const struct stat& info) {
    if (S_ISDIR(info.st_mode)) return FILE_ATTRIBUTE_DIRECTORY;
    DWORD attributes = FILE_ATTRIBUTE_ARCHIVE;
    if (S_ISREG(info.st_mode) && (info.st_mode & S_IWUSR) == 0) {
        attributes |= FILE_ATTRIBUTE_READONLY;
    }
    return attributes;
}

bool FillEntry(const fs::path& path, const std::string& name, WIN32_FIND_DATAA& data) {
    struct stat info {};
    if (name.size() >= MAX_PATH || ::lstat(path.c_str(), &info) != 0) return false;
    data = {};
    data.dwFileAttributes = Attributes(info);
    const auto size = S_ISREG(info.st_mode) ? static_cast<std::uint64_t>(info.st_size) : 0;
    data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
    data.nFileSizeLow = static_cast<DWORD>(size);
    name.copy(data.cFileName, name.size());
    return true;
}

void AddDots(const fs::path& dir, const std::string& pattern, std::vector<WIN32_FIND_DATAA>& out) {
    for (const char* dot : {".", ".."}) {
        WIN32_FIND_DATAA data{};
        if (Matches(pattern, dot) && FillEntry(dir / dot, dot, data)) out.push_back(data);
    }
}

bool ListFolder(const fs::path& dir, const std::string& pattern, Search& search) {
    std::error_code ec;
    fs::directory_iterator it(dir, ec);
    if (ec) {
        errno = ec.value();
        return false;
    }
    std::vector<WIN32_FIND_DATAA> entries;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        WIN32_FIND_DATAA data{};
        if (Matches(pattern, name) && FillEntry(it->path(), name, data)) entries.push_back(data);
    }
    if (ec) {
        errno = ec.value();
        return false;
    }
    SortInNtfsOrder(entries);
    AddDots(dir, pattern, search.entries);
    search.entries.insert(search.entries.end(), entries.begin(), entries.end());
    return true;
}

bool FindOne(const fs::path& dir, const std::string& name, Search& search) {
    WIN32_FIND_DATAA data{};
    if (!FillEntry(dir / name, name, data)) return false;
    search.entries.push_back(data);
    return true;
}

// "E:\dir\*.*" -> ("E:\dir", "*.*"); "E:*" -> ("E:\", "*"); "*" -> (".", "*").
std::pair<std::string, std::string> SplitPattern(std::string_view pattern) {
    const auto cut = pattern.find_last_of("\\/");
    if (cut == std::string_view::npos) {
        if (pattern.size() >= 2 && pattern[1] == ':') {
            return {std::string(pattern.substr(0, 2)) + "\\", std::string(pattern.substr(2))};
        }
        return {".", std::string(pattern)};
    }
    return {std::string(pattern.substr(0, cut + 1)), std::string(pattern.substr(cut + 1))};
}

}  // namespace

HANDLE FindFirstFileA(LPCSTR lpFileName, WIN32_FIND_DATAA* lpFindFileData) {
    if (lpFileName == nullptr || lpFindFileData == nullptr) {
        errno = EINVAL;
        return INVALID_HANDLE_VALUE;
    }
    const auto [dirText, pattern] = SplitPattern(lpFileName);
    const auto dir = platform::ToNativePath(dirText);
    if (!dir || pattern.empty()) {
        errno = ENOENT;
        return INVALID_HANDLE_VALUE;
    }
    auto search = std::make_unique<Search>();
    const bool listed =
        HasWildcard(pattern) ? ListFolder(*dir, pattern, *search) : FindOne(*dir, pattern, *search);
    if (!listed) return INVALID_HANDLE_VALUE;
    if (search->entries.empty()) {
        errno = ENOENT;
        return INVALID_HANDLE_VALUE;
    }
    *lpFindFileData = search->entries[search->next++];
    return search.release();
}

BOOL FindNextFileA(HANDLE hFindFile, WIN32_FIND_DATAA* lpFindFileData) {
    if (hFindFile == nullptr || hFindFile == INVALID_HANDLE_VALUE || lpFindFileData == nullptr) {
        errno = EINVAL;
        return FALSE;
    }
    auto* search = static_cast<Search*>(hFindFile);
    if (search->next >= search->entries.size()) {
        errno = ENOENT;  // no more files
        return FALSE;
    }
    *lpFindFileData = search->entries[search->next++];
    return TRUE;
}

BOOL FindClose(HANDLE hFindFile) {
    if (hFindFile == nullptr || hFindFile == INVALID_HANDLE_VALUE) {
        errno = EINVAL;
        return FALSE;
    }
    delete static_cast<Search*>(hFindFile);
    return TRUE;
}
