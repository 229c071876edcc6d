// The toolkit's string: narrow UTF-8 text with the handful of MFC
// operations the windows use. Everything of std::string stays available.
#pragma once

#include <string>
#include <utility>

#include "platform/Win32.h"

class CString : public std::string {
public:
    CString() = default;
    CString(const char* text) : std::string(text ? text : "") {}  // NOLINT: as MFC converts
    CString(std::string text) : std::string(std::move(text)) {}   // NOLINT

    int GetLength() const { return static_cast<int>(size()); }
    BOOL IsEmpty() const { return empty() ? TRUE : FALSE; }
    void Empty() { clear(); }
    const char* GetString() const { return c_str(); }

    // The string resource `id`; FALSE (and the text left as it was) when
    // the program has no such string.
    BOOL LoadString(UINT id);
};
