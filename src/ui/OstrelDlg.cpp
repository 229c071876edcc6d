#include "ui/OstrelDlg.h"

#include <cstdint>
#include <cstdio>

#include "drive/ChooseFlash.h"
#include "drive/DriveFormatter.h"
#include "pipeline/PrograssDlg.h"
#include "platform/Path.h"
#include "toolkit/UiThread.h"
#include "ui/AboutCompanyDlg.h"
#include "ui/AboutDlg.h"
#include "ui/ResetSignal.h"
#include "ui/StopSignals.h"
#include "ui/TipsDlg.h"

namespace {

constexpr const char* kTipsChooseDrive = "请选择U盘！";
constexpr const char* kTipsChooseFile = "请选择要升级的文件！";
constexpr const char* kTipsPressStart = "请按升级按钮！";
constexpr const char* kTipsUpgrading = "正在升级，请稍后！";
constexpr const char* kAskFormat = "是否格式化U盘？";
constexpr const char* kManualName = "产品升级说明书.pdf";
constexpr const char* kNoPdfViewer = "请更新或者安装pdf阅读器";
constexpr const char* kOpenFailed = "打开失败";
// The exit status after the session ended the program.
constexpr int kSessionEnded = 1;

// A choice counts for the hint and the buttons only when longer than one character.
bool IsChosen(const CString& text) { return text.GetLength() > 1; }

drive::DriveFormatter Formatter() {
    return drive::DriveFormatter(drive::SystemFormatter([](const std::string& message) {
        TipsDlg dlg(message);
        dlg.DoModal();
    }));
}

}  // namespace

OstrelDlg::OstrelDlg(CWnd* pParent)
    : CDialog(IDD_OSTREL_DIALOG, pParent), m_hIcon(AfxLoadIcon(IDR_MAINFRAME)) {}

OstrelDlg::~OstrelDlg() = default;

void OstrelDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_EDIT_FILE, m_strFile);
    DDX_Text(pDX, IDC_EDIT_DRIVE, m_strDrive);
    DDX_Text(pDX, IDC_EDIT_TIPS, m_strTips);
}

BEGIN_MESSAGE_MAP(OstrelDlg, CDialog)
ON_WM_SYSCOMMAND()
ON_WM_PAINT()
ON_WM_QUERYDRAGICON()
ON_BN_CLICKED(IDC_SELECT_FILE, &OstrelDlg::OnSelectFile)
ON_BN_CLICKED(IDC_CHOOSE_DRIVE, &OstrelDlg::OnChooseDrive)
ON_BN_CLICKED(IDC_START, &OstrelDlg::OnStart)
ON_MESSAGE(WM_RESET_CHOICE, &OstrelDlg::OnResetChoice)
ON_MESSAGE(WM_ENDSESSION, &OstrelDlg::OnEndSession)
ON_COMMAND(ID_MANUAL, &OstrelDlg::OnManual)
ON_COMMAND(ID_ABOUT, &OstrelDlg::OnAbout)
ON_COMMAND(ID_COMPANY_INFO, &OstrelDlg::OnCompanyInfo)
END_MESSAGE_MAP()

BOOL OstrelDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    AddAboutItem();
    SkinH_Attach();
    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);
    m_menu.LoadMenu(IDR_MENU);
    SetMenu(&m_menu);
    UpdateTips();
    EnableCommand(IDC_SELECT_FILE, FALSE);
    EnableCommand(IDC_START, FALSE);
    UpdateData(FALSE);
    m_resetSignal = std::make_unique<ResetSignal>(*this, WM_RESET_CHOICE);
    m_stopSignals = std::make_unique<StopSignals>(
        [this](int exitCode, const std::string& reason) { Stop(exitCode, reason); });
    return TRUE;  // the focus goes to 1001, the first tab stop
}

void OstrelDlg::AddAboutItem() {
    CMenu* pSysMenu = GetSystemMenu(FALSE);
    if (pSysMenu == nullptr) return;
    CString strAboutMenu;
    strAboutMenu.LoadString(IDS_ABOUTBOX);
    if (strAboutMenu.IsEmpty()) return;
    pSysMenu->AppendMenu(MF_SEPARATOR);
    pSysMenu->AppendMenu(MF_STRING, IDM_ABOUTBOX, strAboutMenu.GetString());
}

// A button and the menu item with the same id always change together.
void OstrelDlg::EnableCommand(UINT nID, BOOL bEnable) {
    if (CWnd* pButton = GetDlgItem(static_cast<int>(nID))) pButton->EnableWindow(bEnable);
    m_menu.EnableMenuItem(nID, MF_BYCOMMAND | (bEnable ? MF_ENABLED : MF_GRAYED));
}

void OstrelDlg::UpdateTips() {
    if (IsChosen(m_strFile) && IsChosen(m_strDrive)) {
        m_strTips = kTipsPressStart;
    } else if (IsChosen(m_strDrive)) {
        m_strTips = kTipsChooseFile;
    } else {
        m_strTips = kTipsChooseDrive;
    }
}

void OstrelDlg::ShowPrompt(const CString& strMessage) {
    TipsDlg dlg(strMessage);
    dlg.DoModal();
}

// ----------------------------------------------------------- system menu

void OstrelDlg::OnSysCommand(UINT nID, LPARAM lParam) {
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
        OnAbout();
    } else {
        CDialog::OnSysCommand(nID, lParam);
    }
}

// The window has no minimise box; the desktop may still minimise it.
void OstrelDlg::OnPaint() {
    if (!IsIconic()) {
        CDialog::OnPaint();
        return;
    }
    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
    const int cxIcon = GetSystemMetrics(SM_CXICON);
    const int cyIcon = GetSystemMetrics(SM_CYICON);
    CRect rect;
    GetClientRect(&rect);
    const int x = (rect.Width() - cxIcon + 1) / 2;
    const int y = (rect.Height() - cyIcon + 1) / 2;
    dc.DrawIcon(x, y, m_hIcon);
}

HCURSOR OstrelDlg::OnQueryDragIcon() { return static_cast<HCURSOR>(m_hIcon); }

// --------------------------------------------------------------- choices

void OstrelDlg::OnChooseDrive() {
    const std::vector<char> drives = ChooseFlash::LogicalDriveStrings();
    ChooseFlash dlg;
    dlg.AddRemovableDrives(drives.data());
    dlg.DoModal();
    // Whatever way the chooser ended: an empty choice clears an earlier one.
    m_strDrive = dlg.m_strSelected;
    EnableCommand(IDC_SELECT_FILE, IsChosen(m_strDrive) ? TRUE : FALSE);
    UpdateTips();
    UpdateData(FALSE);
}

void OstrelDlg::OnSelectFile() {
    CFileDialog dlg(TRUE, nullptr, nullptr, 0, "*.rar|*.rar", this);
    dlg.DoModal();
    // A cancelled dialog reports an empty path and so clears the choice.
    m_strFile = dlg.GetPathName();
    EnableCommand(IDC_START, IsChosen(m_strFile) && IsChosen(m_strDrive) ? TRUE : FALSE);
    UpdateTips();
    UpdateData(FALSE);
}

LRESULT OstrelDlg::OnResetChoice(WPARAM /*wParam*/, LPARAM /*lParam*/) {
    m_strDrive.Empty();
    m_strFile.Empty();
    m_strTips = kTipsChooseDrive;
    UpdateData(FALSE);
    MessageBox("");
    return 0;
}

// ------------------------------------------------- asked to end from outside

// A running job stops at its next safe point and removes its scratch data;
// the window ends once it has (OnStart), at once when no job runs. Nobody
// may be there to answer a box: what the program says goes to standard error.
bool OstrelDlg::Stop(int exitCode, const std::string& reason) {
    if (Stopping()) return false;
    m_nStopCode = exitCode;
    std::fprintf(stderr, "Ostrel: %s\n", reason.c_str());
    if (m_pProgress != nullptr) return m_pProgress->Stop();
    EndModalWindowsAbove();
    EndDialog(IDCANCEL);
    return false;
}

// The process may be ended as soon as this returns: the job is stopped and
// its scratch data removed before, unless a box it waited on had to be
// ended (the job then ends only after this returns).
LRESULT OstrelDlg::OnEndSession(WPARAM wParam, LPARAM /*lParam*/) {
    if (wParam == FALSE) return 0;
    if (Stop(kSessionEnded, "the session is ending")) {
        toolkit::ServeUntil([this] { return m_pProgress->JobGone(); });
    }
    return 0;
}

// ------------------------------------------------------------------ Start

void OstrelDlg::OnStart() {
    if (m_strDrive.IsEmpty() || m_strFile.IsEmpty()) {
        ShowPrompt(m_strTips);
        UpdateData(FALSE);
        return;
    }
    m_strTips = kTipsUpgrading;
    UpdateData(FALSE);

    TipsDlg ask(kAskFormat);
    ask.m_strOkCaption = "是";
    ask.m_strCancelCaption = "否";
    ask.DoModal();
    if (Stopping()) return;
    if (ask.m_bConfirmed != 0) FormatDrive(m_strDrive.GetString());
    if (Stopping()) return;

    const BOOL succeeded = RunUpgrade();
    if (Stopping()) {
        std::fprintf(stderr, "Ostrel: %s\n", pipeline::UpgradeOutcome(succeeded != FALSE));
        EndDialog(IDCANCEL);
        return;
    }
    ShowPrompt(pipeline::UpgradeOutcome(succeeded != FALSE));

    m_strFile.Empty();
    m_strDrive.Empty();
    UpdateTips();
    SendMessage(WM_CLOSE);
}

BOOL OstrelDlg::RunUpgrade() {
    PrograssDlg dlg;
    dlg.m_strDrive = m_strDrive;
    dlg.m_strFilePath = m_strFile;
    m_pProgress = &dlg;
    dlg.DoModal();
    m_pProgress = nullptr;
    return dlg.m_bSucceeded == 1 ? TRUE : FALSE;
}

void OstrelDlg::FormatDrive(const char* drive) { Formatter().FormatDrive(m_strDrive, drive); }

// ------------------------------------------------------ information windows

void OstrelDlg::OnAbout() {
    AboutDlg dlgAbout;
    dlgAbout.DoModal();
}

void OstrelDlg::OnCompanyInfo() {
    AboutCompanyDlg dlg;
    dlg.DoModal();
}

void OstrelDlg::OnManual() {
    // The manual lies beside the program.
    CString strPath = platform::ProgramFolder();
    if (!strPath.empty()) strPath += '\\';
    strPath += kManualName;
    const HINSTANCE result =
        ShellExecuteA(nullptr, "open", strPath.GetString(), nullptr, nullptr, SW_SHOW);
    if (reinterpret_cast<std::intptr_t>(result) <= 32) MessageBox(kNoPdfViewer, kOpenFailed, MB_OK);
}
