#include "pipeline/PrograssDlg.h"

#include <cstdio>
#include <utility>

#include "platform/ScratchHome.h"
#include "toolkit/UiThread.h"
#include "ui/TipsDlg.h"

PrograssDlg::PrograssDlg(CWnd* pParent, std::string appDir, pipeline::JobPauses pauses)
    : CDialog(IDD_PROGRESS, pParent),
      m_bSucceeded(0),
      m_nDirCount(0),
      m_nPos(0),
      m_nRange(0),
      m_DeviceInfo{} {
    pipeline::JobSink& sink = *this;
    const platform::ScratchHome home = appDir.empty() ? platform::ProgramScratchHome()
                                                      : platform::ScratchHome{std::move(appDir), 0};
    m_job = std::make_unique<pipeline::UpgradeJob>(sink, home, pauses);
    m_strTempDir = m_job->TempDir();
}

// The job joins its worker, which has returned or is returning: its close
// request was handled before the modal run ended.
PrograssDlg::~PrograssDlg() = default;

void PrograssDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_PROGRESS, m_ctrlProgress);
}

BEGIN_MESSAGE_MAP(PrograssDlg, CDialog)
ON_WM_CLOSE()
END_MESSAGE_MAP()

BOOL PrograssDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_job->m_strFilePath = m_strFilePath;
    m_job->m_strDrive = m_strDrive;
    const bool started = m_job->Initialise();
    if (!started) {
        TakeJobState();
        // "错误的升级文件！" or an unreadable package was shown; no worker runs.
        EndDialog(0);
        return FALSE;
    }
    // The worker runs from here on: only what it never writes is read now,
    // the rest once its close request has arrived.
    m_strFilePath = m_job->m_strFilePath;
    m_nRange = m_job->Range();
    m_DeviceInfo = m_job->Info();
    return TRUE;
}

void PrograssDlg::TakeJobState() {
    m_strFilePath = m_job->m_strFilePath;
    m_nRange = m_job->Range();
    m_nPos = m_job->Pos();
    m_nDirCount = m_job->DirCount();
    m_DeviceInfo = m_job->Info();
    m_bSucceeded = m_job->Succeeded() ? 1 : 0;
}

void PrograssDlg::OnClose() {
    if (!m_job->OnClose()) return;
    m_bJobGone = true;
    TakeJobState();
    CDialog::OnClose();
}

// While no worker runs the job is still being set up (a box shown while the
// package is read) or has finished: either way nothing touches its scratch
// data but this.
bool PrograssDlg::Stop() {
    m_job->RequestStop();
    const int ended = EndModalWindowsAbove();
    if (pipeline::UpgradeJob::IsFinished() && !m_bJobGone) RemoveScratch();
    return ended == 0;
}

void PrograssDlg::RemoveScratch() {
    const std::string& staging = m_job->TempDir();
    if (PathFileExistsA(staging.c_str()) && !m_job->DeleteFolder(staging)) {
        std::fprintf(stderr, "Ostrel: %s cannot be removed\n", staging.c_str());
    }
    const std::string scratch = m_job->ScratchPath();
    if (PathFileExistsA(scratch.c_str()) && !DeleteFileA(scratch.c_str())) {
        std::fprintf(stderr, "Ostrel: %s cannot be removed\n", scratch.c_str());
    }
    m_bJobGone = true;
}

void PrograssDlg::OnOK() {
    if (pipeline::UpgradeJob::IsFinished()) CDialog::OnOK();
}

void PrograssDlg::OnCancel() {
    if (pipeline::UpgradeJob::IsFinished()) CDialog::OnCancel();
}

void PrograssDlg::SetRange(int lower, int upper) {
    // The full 32-bit range: a package may count more than 16383 entries.
    m_ctrlProgress.SetRange32(lower, upper);
}

// The worker need not wait for the bar: it goes on with the next entry while
// the window shows the newest position. The close request comes after every
// showing, so none runs on a window that has gone.
void PrograssDlg::SetPos(int pos) {
    if (m_pendingPos.Offer(pos)) QueueShowing();
}

// Each stage begins with the bar at the newest position of the last one.
void PrograssDlg::PhaseChanged(pipeline::JobPhase) {
    if (m_pendingPos.Flush()) QueueShowing();
}

void PrograssDlg::QueueShowing() {
    toolkit::PostToUiThread([this] { m_ctrlProgress.SetPos(m_pendingPos.Take()); });
}

void PrograssDlg::ShowMessage(const std::string& text, const std::string& caption,
                              unsigned int type) {
    if (m_job->StopRequested()) {
        std::fprintf(stderr, "Ostrel: %s\n", text.c_str());
    } else if (caption.empty()) {
        AfxMessageBox(text.c_str(), type);
    } else {
        MessageBox(text.c_str(), caption.c_str(), type);
    }
}

void PrograssDlg::Prompt(const std::string& text) {
    if (m_job->StopRequested()) {
        std::fprintf(stderr, "Ostrel: %s\n", text.c_str());
        return;
    }
    toolkit::RunOnUiThread([&text] {
        TipsDlg dlg(text);
        dlg.DoModal();
    });
}

void PrograssDlg::RequestClose() { SendMessage(WM_CLOSE); }
