// Message boxes: text, caption, an information or exclamation icon, OK.
#pragma once

#include <string>

#include "toolkit/Types.h"

class CWnd;

namespace toolkit {

// The application's name: the program file's name without extension. It is
// the caption of every message box that has none of its own.
std::string ApplicationName();

// A message box owned by `owner` (null: by the application). May be called
// from any thread; the box is shown on the user-interface thread and the
// call returns when the user has dismissed it. Returns IDOK.
int ShowMessageBox(CWnd* owner, LPCSTR text, LPCSTR caption, UINT type);

}  // namespace toolkit

// An application-level message box with the application's caption.
int AfxMessageBox(LPCSTR text, UINT nType = MB_OK);
