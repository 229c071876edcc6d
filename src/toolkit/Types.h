// The Windows-shaped values the dialog toolkit speaks: handles, message and
// style numbers, command ids, rectangles and colours. The numbers are the
// Windows ones, so that templates and message tables read as they would there.
#pragma once

#include <cstdint>

#include "platform/Win32.h"
#include "res/Templates.h"

using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using COLORREF = DWORD;
using HBRUSH = void*;
using HCURSOR = const void*;

// The toolkit builds its windows from the program's resource types.
namespace toolkit {
using res::ControlKind;
using res::ControlTemplate;
using res::DialogTemplate;
using res::IconGroup;
using res::MenuItemTemplate;
using res::MenuTemplate;
using res::PopupTemplate;
}  // namespace toolkit

// An icon is one of the program's icon resources; null when there is none.
using HICON = const res::IconGroup*;

constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
    return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) |
           (static_cast<COLORREF>(b) << 16);
}
constexpr BYTE GetRValue(COLORREF c) { return static_cast<BYTE>(c & 0xFF); }
constexpr BYTE GetGValue(COLORREF c) { return static_cast<BYTE>((c >> 8) & 0xFF); }
constexpr BYTE GetBValue(COLORREF c) { return static_cast<BYTE>((c >> 16) & 0xFF); }

constexpr WORD LOWORD(std::uintptr_t v) { return static_cast<WORD>(v & 0xFFFF); }
constexpr WORD HIWORD(std::uintptr_t v) { return static_cast<WORD>((v >> 16) & 0xFFFF); }
constexpr WPARAM MAKEWPARAM(WORD lo, WORD hi) {
    return static_cast<WPARAM>(lo) | (static_cast<WPARAM>(hi) << 16);
}

struct CRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const CRect&) const = default;
};

// ------------------------------------------------------------- messages
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_CLOSE = 0x0010;
// wParam TRUE: the session is ending; the process may end once it returns.
constexpr UINT WM_ENDSESSION = 0x0016;
constexpr UINT WM_CTLCOLOR = 0x0019;
constexpr UINT WM_ICONERASEBKGND = 0x0027;
constexpr UINT WM_QUERYDRAGICON = 0x0037;
constexpr UINT WM_INITDIALOG = 0x0110;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_SYSCOMMAND = 0x0112;
constexpr UINT WM_USER = 0x0400;

constexpr UINT BN_CLICKED = 0;

constexpr UINT SC_MOVE = 0xF010;
constexpr UINT SC_MINIMIZE = 0xF020;
constexpr UINT SC_CLOSE = 0xF060;
constexpr UINT SC_KEYMENU = 0xF100;

constexpr UINT ID_HELP = 0xE146;

// ---------------------------------------------------- control colours
constexpr UINT CTLCOLOR_EDIT = 1;
constexpr UINT CTLCOLOR_BTN = 3;
constexpr UINT CTLCOLOR_STATIC = 6;

// ------------------------------------------------------ system metrics
constexpr int SM_CXICON = 11;
constexpr int SM_CYICON = 12;
constexpr int SM_CXSMICON = 49;
constexpr int SM_CYSMICON = 50;

// Icon sizes of this desktop: 32 px for the big icon, 16 px for the small one.
int GetSystemMetrics(int nIndex);
