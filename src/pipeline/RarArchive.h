// One open archive through the UnRAR library's published interface. Keeps the
// library's header (and its HANDLE/UINT macros) out of every other file.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct RARHeaderDataEx;

namespace pipeline {

// The library's results and operations that the passes look at.
namespace rar {
inline constexpr int kSuccess = 0;
inline constexpr int kEndArchive = 10;
inline constexpr int kBadData = 12;
inline constexpr int kOpenFailed = 15;
inline constexpr int kCreateFailed = 16;
inline constexpr int kCloseFailed = 17;
inline constexpr int kWriteFailed = 19;
inline constexpr int kSkip = 0;
inline constexpr int kTest = 1;
inline constexpr int kExtract = 2;
inline constexpr unsigned kHostMsDos = 0;
inline constexpr unsigned kHostOs2 = 1;
inline constexpr unsigned kHostWin32 = 2;
}  // namespace rar

// One entry's header as the passes use it.
struct RarEntry {
    std::string name;       // narrow, in the current locale; `/` between folders
    std::wstring wideName;  // the library's wide copy of the name
    unsigned hostOs = 0;
    unsigned attr = 0;
    std::uint64_t size = 0;
    bool isDirectory = false;
    bool isLink = false;  // a symbolic link, junction or hard link entry
    // A hard link or file copy: the stored name of the entry it refers to.
    bool isReference = false;
    std::wstring referenceName;
};

class RarArchive {
public:
    // Opens for extraction, with the comment buffer the passes own; no
    // password, no callback. `nativePath` is a path on this system.
    explicit RarArchive(const std::string& nativePath);
    ~RarArchive();
    RarArchive(const RarArchive&) = delete;
    RarArchive& operator=(const RarArchive&) = delete;

    bool IsOpen() const { return m_handle != nullptr; }

    // RARReadHeaderEx: 0 and `entry` filled, or the library's code.
    int ReadHeader(RarEntry& entry);

    // RARProcessFile for the entry just read, always with the staging folder
    // as destination folder: the library resolves link and file-copy
    // references and checks the folders it walks below that folder only.
    // With a destination name the entry is written to exactly that native
    // path; otherwise under `destFolder` with its stored path.
    int Process(int operation, const std::string& destFolder);
    int ProcessTo(int operation, const std::string& destFolder, const std::string& destName);

private:
    void* m_handle = nullptr;
    char* m_comment = nullptr;
    // The library's header record is large (it carries wide copies of both
    // names): one per archive, off the worker's stack, not one per entry.
    std::unique_ptr<RARHeaderDataEx> m_header;
    std::vector<wchar_t> m_redirName;
};

}  // namespace pipeline
