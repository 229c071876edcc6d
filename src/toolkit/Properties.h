// The Qt property and object names by which the toolkit's parts (and the
// test hooks) find what a widget stands for: each name written once.
#pragma once

namespace toolkit {

// Every control and message-box button: its id (IDOK, IDC_...).
inline constexpr const char* kIdProperty = "ostrelId";
// A menu action: its command id.
inline constexpr const char* kCommandProperty = "ostrelCommand";
// A message box: its MB_ICON* type.
inline constexpr const char* kMessageTypeProperty = "ostrelMessageType";
// A static text: shown with its & as it stands (SS_NOPREFIX).
inline constexpr const char* kNoPrefixProperty = "ostrelNoPrefix";
// A combo box: keeps its items sorted (CBS_SORT), and its tooltip while no
// item is selected.
inline constexpr const char* kSortedProperty = "ostrelSorted";
inline constexpr const char* kEmptyTipProperty = "ostrelEmptyTip";
// The object name of a dialog's system menu.
inline constexpr const char* kSystemMenuName = "ostrelSystemMenu";

}  // namespace toolkit
