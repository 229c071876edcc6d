#include "ui/AboutDlg.h"

AboutDlg::AboutDlg() : CDialog(IDD_ABOUTBOX) {}

void AboutDlg::DoDataExchange(CDataExchange* pDX) { CDialog::DoDataExchange(pDX); }

// Empty: the one button is the default accept command and ends the box.
BEGIN_MESSAGE_MAP(AboutDlg, CDialog)
END_MESSAGE_MAP()
