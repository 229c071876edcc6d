// Data exchange between a dialog's members and its controls.
//
//   void TipsDlg::DoDataExchange(CDataExchange* pDX) {
//       CDialog::DoDataExchange(pDX);
//       DDX_Text(pDX, 1011, m_strText);          // text, both ways
//       DDX_Control(pDX, 1012, m_ctrlProgress);  // control object binding
//   }
#pragma once

#include "toolkit/CString.h"

class CDialog;
class CWnd;

class CDataExchange {
public:
    CDataExchange(CDialog* pDlgWnd, BOOL bSaveAndValidate)
        : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}

    BOOL m_bSaveAndValidate;  // TRUE: controls -> members
    CDialog* m_pDlgWnd;
};

// Pushes `value` into control `nIDC`, or reads it back. Read-only edits are
// never read back: their member is the only source of truth.
void DDX_Text(CDataExchange* pDX, int nIDC, CString& value);
// Attaches `control` to control `nIDC` the first time.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& control);
