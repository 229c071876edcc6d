// The toolkit's file-find class, with the semantics of MFC's CFileFind:
//
//     CFileFind finder;
//     BOOL more = finder.FindFile("E:\\dir\\*.*");
//     while (more) {
//         more = finder.FindNextFile();   // steps onto an entry
//         if (finder.IsDots()) continue;
//         ... finder.GetFileName(), finder.GetFilePath(), finder.IsDirectory()
//     }
//
// FindFile starts the search; each FindNextFile steps onto the next entry and
// answers whether yet another one follows. Entries come in FindFirstFileA's
// order: ".", "..", then the upper-cased names in ordinal order.
#pragma once

#include <memory>
#include <string>

#include "platform/Win32.h"

class CFileFind {
public:
    CFileFind();
    ~CFileFind();
    CFileFind(const CFileFind&) = delete;
    CFileFind& operator=(const CFileFind&) = delete;

    // Starts a search over a pattern ("dir\*.*"; "*.*" when null). False when
    // nothing matches or the folder cannot be read.
    BOOL FindFile(LPCSTR pstrName = nullptr, DWORD dwUnused = 0);
    // Steps onto the next entry; true while a further entry follows it.
    BOOL FindNextFile();
    void Close();

    // The current entry (after FindNextFile).
    std::string GetFileName() const;
    std::string GetFilePath() const;  // the pattern's folder, a separator, the name
    std::string GetRoot() const;      // the pattern's folder with its separator
    std::uint64_t GetLength() const;
    BOOL IsDirectory() const;
    BOOL IsDots() const;
    BOOL IsReadOnly() const;

private:
    struct SearchCloser {
        void operator()(void* handle) const;
    };

    std::unique_ptr<void, SearchCloser> m_search;
    WIN32_FIND_DATAA m_next{};
    WIN32_FIND_DATAA m_found{};
    bool m_hasNext = false;
    bool m_hasFound = false;
    std::string m_root;
};
