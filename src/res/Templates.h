// Resource types: dialog templates, menus and icon groups, held as plain
// C++ data, and the Windows style numbers they are written in. Sizes and
// positions are dialog units. The dialog toolkit reads them; nothing here
// knows the toolkit.
#pragma once

#include <span>
#include <string_view>

#include "platform/Win32.h"

// ------------------------------------------------------- dialog results
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

// ------------------------------------------------------- window styles
constexpr DWORD WS_POPUP = 0x80000000;
constexpr DWORD WS_VISIBLE = 0x10000000;
constexpr DWORD WS_CAPTION = 0x00C00000;
constexpr DWORD WS_BORDER = 0x00800000;
constexpr DWORD WS_VSCROLL = 0x00200000;
constexpr DWORD WS_SYSMENU = 0x00080000;
constexpr DWORD WS_GROUP = 0x00020000;
constexpr DWORD WS_TABSTOP = 0x00010000;
constexpr DWORD WS_EX_APPWINDOW = 0x00040000;

constexpr DWORD DS_3DLOOK = 0x0004;
constexpr DWORD DS_SETFONT = 0x0040;
constexpr DWORD DS_MODALFRAME = 0x0080;

constexpr DWORD BS_DEFPUSHBUTTON = 0x0001;
constexpr DWORD BS_GROUPBOX = 0x0007;
constexpr DWORD BS_FLAT = 0x8000;

constexpr DWORD ES_LEFT = 0x0000;
constexpr DWORD ES_AUTOHSCROLL = 0x0080;
constexpr DWORD ES_READONLY = 0x0800;

constexpr DWORD SS_LEFT = 0x0000;
constexpr DWORD SS_ICON = 0x0003;
constexpr DWORD SS_NOPREFIX = 0x0080;

constexpr DWORD CBS_DROPDOWN = 0x0002;
constexpr DWORD CBS_SORT = 0x0100;

// --------------------------------------------------------------- menus
constexpr UINT MF_BYCOMMAND = 0x0000;
constexpr UINT MF_ENABLED = 0x0000;
constexpr UINT MF_STRING = 0x0000;
constexpr UINT MF_GRAYED = 0x0001;
constexpr UINT MF_DISABLED = 0x0002;
constexpr UINT MF_POPUP = 0x0010;
constexpr UINT MF_SEPARATOR = 0x0800;

namespace res {

enum class ControlKind {
    PushButton,  // BS_DEFPUSHBUTTON marks the default button, BS_FLAT a flat one
    GroupBox,
    Edit,      // ES_READONLY, ES_AUTOHSCROLL, WS_BORDER
    Static,    // SS_NOPREFIX shows '&' as it stands
    Icon,      // text is unused; iconId names the icon resource
    ComboBox,  // CBS_DROPDOWN (editable field), CBS_SORT; height includes the list
    Progress,  // msctls_progress32
};

struct ControlTemplate {
    int id;  // -1 for controls the program never addresses
    ControlKind kind;
    DWORD style;
    std::string_view text;
    int x, y, cx, cy;
    UINT iconId = 0;
};

struct DialogTemplate {
    UINT id;
    std::string_view caption;
    DWORD style;
    DWORD exStyle;
    int cx, cy;
    std::string_view fontName;
    int pointSize;
    std::span<const ControlTemplate> controls;
};

// A menu bar: pop-ups with items. A separator has id 0 and MF_SEPARATOR.
struct MenuItemTemplate {
    UINT id;
    std::string_view text;
    UINT flags;
};

struct PopupTemplate {
    std::string_view text;
    std::span<const MenuItemTemplate> items;
};

struct MenuTemplate {
    UINT id;
    std::span<const PopupTemplate> popups;
};

// One icon drawn as SVG; rendered at each listed size in 32-bit colour.
struct IconGroup {
    UINT id;
    std::string_view svg;
    std::span<const int> sizes;
};

}  // namespace res
