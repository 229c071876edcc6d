#include "ui/TipsDlg.h"

#include <utility>

TipsDlg::TipsDlg(CString strMessage, CWnd* pParent)
    : CDialog(IDD_TIPS, pParent), m_strMessage(std::move(strMessage)), m_bConfirmed(0) {}

void TipsDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_TIPS_TEXT, m_strText);
}

BEGIN_MESSAGE_MAP(TipsDlg, CDialog)
ON_BN_CLICKED(IDC_CONFIRM, &TipsDlg::OnConfirm)
ON_BN_CLICKED(IDC_DECLINE, &TipsDlg::OnDecline)
END_MESSAGE_MAP()

BOOL TipsDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_strText = m_strMessage;
    if (m_strOkCaption.GetLength() > 0) SetDlgItemText(IDC_CONFIRM, m_strOkCaption.GetString());
    if (m_strCancelCaption.GetLength() > 0) {
        SetDlgItemText(IDC_DECLINE, m_strCancelCaption.GetString());
    }
    UpdateData(FALSE);
    return TRUE;  // the toolkit puts the focus on 1010
}

void TipsDlg::OnConfirm() {
    m_bConfirmed = 1;
    EndDialog(0);
}

void TipsDlg::OnDecline() {
    m_bConfirmed = 0;
    EndDialog(0);
}
