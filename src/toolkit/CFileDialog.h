// The standard file-open dialog. The filter is MFC's "label|pattern|..."
// form, e.g. "*.rar|*.rar".
#pragma once

#include "toolkit/CString.h"

class CWnd;

class CFileDialog {
public:
    CFileDialog(BOOL bOpenFileDialog, LPCSTR lpszDefExt = nullptr, LPCSTR lpszFileName = nullptr,
                DWORD dwFlags = 0, LPCSTR lpszFilter = nullptr, CWnd* pParentWnd = nullptr);

    // IDOK or IDCANCEL.
    int DoModal();
    // The chosen file in drive form (C:\...), empty when cancelled.
    CString GetPathName() const { return m_strPathName; }

private:
    BOOL m_bOpen;
    CString m_strDefExt;
    CString m_strFileName;
    CString m_strFilter;
    CWnd* m_pParentWnd;
    CString m_strPathName;
};
