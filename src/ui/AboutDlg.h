// The About box (template 100): version line, the maker's lines, one button.
#pragma once

#include "toolkit/Toolkit.h"

class AboutDlg : public CDialog {
public:
    AboutDlg();
    ~AboutDlg() override = default;

protected:
    void DoDataExchange(CDataExchange* pDX) override;

    DECLARE_MESSAGE_MAP()
};
