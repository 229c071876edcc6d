#include "ui/AboutCompanyDlg.h"

#include "res/Maker.h"

AboutCompanyDlg::AboutCompanyDlg(CWnd* pParent) : CDialog(IDD_COMPANY, pParent) {}

void AboutCompanyDlg::DoDataExchange(CDataExchange* pDX) { CDialog::DoDataExchange(pDX); }

BEGIN_MESSAGE_MAP(AboutCompanyDlg, CDialog)
ON_BN_CLICKED(IDC_WEBLINK, &AboutCompanyDlg::OnWebLink)
ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

BOOL AboutCompanyDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    return TRUE;  // the focus goes to the link button, the only tab stop
}

// The browser runs on by itself; the dialog stays open and a failed launch
// goes unreported, as the user can still read the address on the button.
void AboutCompanyDlg::OnWebLink() {
    ShellExecuteA(GetSafeHwnd(), nullptr, res::maker::kWebUrl, nullptr, nullptr, SW_SHOWMAXIMIZED);
}

HBRUSH AboutCompanyDlg::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor) {
    HBRUSH hbr = CDialog::OnCtlColor(pDC, pWnd, nCtlColor);
    if (nCtlColor == CTLCOLOR_STATIC) pDC->SetTextColor(RGB(255, 0, 0));
    return hbr;
}
