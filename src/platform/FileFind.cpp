#include "platform/FileFind.h"

#include <string_view>

namespace {

// The folder part of a pattern, ended by the separator the caller used.
std::string RootOf(std::string_view pattern) {
    const auto cut = pattern.find_last_of("\\/");
    if (cut != std::string_view::npos) return std::string(pattern.substr(0, cut + 1));
    if (pattern.size() >= 2 && pattern[1] == ':') return std::string(pattern.substr(0, 2));
    return {};
}

}  // namespace

void CFileFind::SearchCloser::operator()(void* handle) const { FindClose(handle); }

CFileFind::CFileFind() = default;

CFileFind::~CFileFind() = default;

BOOL CFileFind::FindFile(LPCSTR pstrName, DWORD /*dwUnused*/) {
    Close();
    const std::string pattern = pstrName ? pstrName : "*.*";
    HANDLE handle = FindFirstFileA(pattern.c_str(), &m_next);
    if (handle == INVALID_HANDLE_VALUE) return FALSE;
    m_search.reset(handle);
    m_hasNext = true;
    m_root = RootOf(pattern);
    return TRUE;
}

BOOL CFileFind::FindNextFile() {
    if (!m_hasNext) return FALSE;
    m_found = m_next;
    m_hasFound = true;
    m_hasNext = FindNextFileA(m_search.get(), &m_next) != FALSE;
    return m_hasNext ? TRUE : FALSE;
}

void CFileFind::Close() {
    m_search.reset();
    m_hasNext = false;
    m_hasFound = false;
    m_root.clear();
}

std::string CFileFind::GetFileName() const { return m_hasFound ? m_found.cFileName : ""; }

std::string CFileFind::GetFilePath() const { return m_hasFound ? m_root + m_found.cFileName : ""; }

std::string CFileFind::GetRoot() const { return m_root; }

std::uint64_t CFileFind::GetLength() const { return m_hasFound ? m_found.nFileSize : 0; }

BOOL CFileFind::IsDirectory() const {
    return m_hasFound && (m_found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

BOOL CFileFind::IsDots() const {
    if (!IsDirectory()) return FALSE;
    const std::string_view name = m_found.cFileName;
    return name == "." || name == "..";
}

BOOL CFileFind::IsReadOnly() const {
    return m_hasFound && (m_found.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
}
