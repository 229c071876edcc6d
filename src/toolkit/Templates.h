// Resource types: dialog templates, menus and icon groups, held as plain
// C++ data (src/res fills them). Sizes and positions are dialog units.
#pragma once

#include <span>
#include <string_view>

#include "toolkit/Types.h"

namespace toolkit {

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

}  // namespace toolkit
