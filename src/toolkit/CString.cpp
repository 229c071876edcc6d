#include "toolkit/CString.h"

#include "res/Resources.h"

BOOL CString::LoadString(UINT id) {
    std::string_view text;
    if (!res::FindString(id, &text)) return FALSE;
    assign(text);
    return TRUE;
}
