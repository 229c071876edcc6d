// The dialog toolkit: an MFC-shaped layer over Qt 6 Widgets, so that window
// classes read as they would on Windows.
//
// A window class derives from CDialog, names its template (src/res, by
// numeric id), binds members in DoDataExchange and lists its handlers in a
// static message table:
//
//   class TipsDlg : public CDialog {
//   public:
//       explicit TipsDlg(CString strMessage, CWnd* pParent = nullptr)
//           : CDialog(IDD_TIPS, pParent), m_strMessage(std::move(strMessage)) {}
//   protected:
//       void DoDataExchange(CDataExchange* pDX) override {
//           CDialog::DoDataExchange(pDX);
//           DDX_Text(pDX, IDC_TIPS_TEXT, m_strText);     // text <-> member
//       }
//       BOOL OnInitDialog() override;                    // base pushes members
//       void OnConfirm();
//       DECLARE_MESSAGE_MAP()
//   };
//   BEGIN_MESSAGE_MAP(TipsDlg, CDialog)
//       ON_BN_CLICKED(IDC_CONFIRM, &TipsDlg::OnConfirm)  // {message, id, handler}
//   END_MESSAGE_MAP()
//
// Table entries: ON_BN_CLICKED / ON_COMMAND (buttons and menu items share
// ids), ON_WM_CLOSE, ON_WM_SYSCOMMAND, ON_WM_PAINT, ON_WM_QUERYDRAGICON,
// ON_WM_CTLCOLOR, ON_MESSAGE (private messages such as WM_USER+200).
// Unlisted messages get the default handling: the close box sends
// WM_SYSCOMMAND SC_CLOSE -> WM_CLOSE -> IDCANCEL -> OnCancel; Escape ->
// IDCANCEL; Enter clicks the focused push button, else sends the default
// button's id (IDOK) -> OnOK. OnOK and OnCancel end the dialog without
// reading the controls back, so members stay as they were.
//
// What else is here, by file:
//   CDialog        DoModal / EndDialog, OnInitDialog, UpdateData(FALSE) to
//                  push, GetDlgItem(id)->EnableWindow(FALSE), SetDlgItemText,
//                  GetSystemMenu / SetMenu / SetIcon / IsIconic
//   CMenu          LoadMenu(132), EnableMenuItem(id, MF_BYCOMMAND | MF_GRAYED),
//                  AppendMenu(MF_SEPARATOR) / AppendMenu(MF_STRING, id, text)
//   CProgressCtrl  SetRange (16-bit) / SetRange32 / SetPos (clamped, any thread)
//   CComboBox      AddString (sorted lists), SetCurSel, GetCurSel, GetLBText
//   CString        std::string plus GetLength, IsEmpty, Empty, LoadString(id)
//   CFileDialog    CFileDialog(TRUE, nullptr, nullptr, 0, "*.rar|*.rar", this)
//   MessageBox.h   AfxMessageBox(text, MB_ICONEXCLAMATION); CWnd::MessageBox
//                  (text, caption, type); no caption -> the program file's name
//   CWnd           SendMessage from any thread waits for the UI thread
//   CDC, CPaintDC  colour handlers (SetTextColor) and minimised painting
//   CWinApp        InitInstance, Run; AfxEnableControlContainer
//   Icons.h        AfxLoadIcon(id), GetSystemMetrics(SM_CXICON) in Types.h
//   SkinH.h        SkinH_Attach(): the program's Qt style and palette
//   ModalHook.h    tests: answer each modal window as it opens, grab a PNG
#pragma once

#include "res/Resource.h"
#include "toolkit/CButton.h"
#include "toolkit/CComboBox.h"
#include "toolkit/CDC.h"
#include "toolkit/CDataExchange.h"
#include "toolkit/CDialog.h"
#include "toolkit/CFileDialog.h"
#include "toolkit/CMenu.h"
#include "toolkit/CPaintDC.h"
#include "toolkit/CProgressCtrl.h"
#include "toolkit/CString.h"
#include "toolkit/CWinApp.h"
#include "toolkit/CWnd.h"
#include "toolkit/Icons.h"
#include "toolkit/MessageBox.h"
#include "toolkit/SkinH.h"
#include "toolkit/Types.h"
