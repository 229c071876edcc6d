#include "pipeline/RarArchive.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <unrar/dll.hpp>
#include <vector>

namespace pipeline {

namespace {

constexpr unsigned kCommentSize = 16384;
constexpr unsigned kRedirNameSize = 2048;
constexpr unsigned kRedirHardLink = 4;
constexpr unsigned kRedirFileCopy = 5;

// RAR 5 reports link entries through RedirType; RAR 4 only has Unix links,
// stored with the file type bits of their mode.
bool IsLinkEntry(const RARHeaderDataEx& header) {
    if (header.RedirType != 0) return true;
    constexpr unsigned kHostUnix = 3;
    constexpr unsigned kTypeMask = 0xF000;
    constexpr unsigned kTypeLink = 0xA000;
    return header.HostOS == kHostUnix && (header.FileAttr & kTypeMask) == kTypeLink;
}

}  // namespace

RarArchive::RarArchive(const std::string& nativePath)
    : m_comment(new char[kCommentSize]),
      m_header(std::make_unique<RARHeaderDataEx>()),
      m_redirName(kRedirNameSize, L'\0') {
    // Zeroed once: the library fills every field it reports and leaves the
    // reserved ones alone.
    std::memset(m_header.get(), 0, sizeof(RARHeaderDataEx));
    RAROpenArchiveDataEx data;
    std::memset(&data, 0, sizeof(data));
    std::vector<char> name(nativePath.begin(), nativePath.end());
    name.push_back('\0');
    data.ArcName = name.data();
    data.CmtBuf = m_comment;
    data.CmtBufSize = kCommentSize;
    data.OpenMode = RAR_OM_EXTRACT;
    m_handle = RAROpenArchiveEx(&data);
    if (m_handle != nullptr && data.OpenResult != ERAR_SUCCESS) {
        RARCloseArchive(m_handle);
        m_handle = nullptr;
    }
}

RarArchive::~RarArchive() {
    if (m_handle != nullptr) RARCloseArchive(m_handle);
    delete[] m_comment;
}

int RarArchive::ReadHeader(RarEntry& entry) {
    RARHeaderDataEx* header = m_header.get();
    header->CmtBuf = nullptr;
    header->RedirName = m_redirName.data();
    header->RedirNameSize = kRedirNameSize;
    m_redirName[0] = L'\0';
    const int result = RARReadHeaderEx(m_handle, header);
    if (result != ERAR_SUCCESS) return result;
    entry.name = header->FileName;
    // The library spells folders with the system's separator; names and
    // listings use '/' on every system.
    if constexpr (std::filesystem::path::preferred_separator == L'\\') {
        std::replace(entry.name.begin(), entry.name.end(), '\\', '/');
    }
    entry.wideName = header->FileNameW;
    entry.hostOs = header->HostOS;
    entry.attr = header->FileAttr;
    entry.size = (std::uint64_t{header->UnpSizeHigh} << 32) | header->UnpSize;
    entry.isDirectory = (header->Flags & RHDF_DIRECTORY) != 0;
    entry.isLink = IsLinkEntry(*header);
    entry.isReference = header->RedirType == kRedirHardLink || header->RedirType == kRedirFileCopy;
    entry.referenceName = entry.isReference ? std::wstring(m_redirName.data()) : std::wstring();
    return result;
}

int RarArchive::Process(int operation, const std::string& destFolder) {
    std::vector<char> folder(destFolder.begin(), destFolder.end());
    folder.push_back('\0');
    return RARProcessFile(m_handle, operation, folder.data(), nullptr);
}

int RarArchive::ProcessTo(int operation, const std::string& destFolder,
                          const std::string& destName) {
    std::vector<char> folder(destFolder.begin(), destFolder.end());
    folder.push_back('\0');
    std::vector<char> name(destName.begin(), destName.end());
    name.push_back('\0');
    return RARProcessFile(m_handle, operation, folder.data(), name.data());
}

}  // namespace pipeline
