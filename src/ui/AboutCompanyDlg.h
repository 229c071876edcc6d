// The company information (template 133): the maker's data with every static
// text in red, and a flat link button that opens the maker's web site.
#pragma once

#include "toolkit/Toolkit.h"

class AboutCompanyDlg : public CDialog {
public:
    explicit AboutCompanyDlg(CWnd* pParent = nullptr);
    ~AboutCompanyDlg() override = default;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnWebLink();
    HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);

    DECLARE_MESSAGE_MAP()
};
