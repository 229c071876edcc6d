// The combo box control: a list (sorted when the template says CBS_SORT)
// and, for drop-down combos, an editable field.
#pragma once

#include "toolkit/CWnd.h"

constexpr int CB_ERR = -1;

class CComboBox : public CWnd {
public:
    // The index the string got; CB_ERR when the control does not exist.
    int AddString(LPCSTR text);
    int GetCurSel() const;
    // -1 clears the selection. CB_ERR for an index outside the list.
    int SetCurSel(int nSelect);
    void GetLBText(int nIndex, CString& text) const;
    int GetCount() const;
    // Grey text in an empty edit field (Windows' CB_SETCUEBANNER).
    BOOL SetCueBanner(LPCSTR text);
    // The tooltip of list entry `nIndex`, shown over the entry in the list and
    // over the field while it is selected; -1: the field's tooltip while no
    // entry is selected.
    BOOL SetItemTip(int nIndex, LPCSTR text);
};
