// The progress window: template 131, a bar and one upgrade job. The main
// window sets m_strFilePath and m_strDrive, runs it modally and reads
// m_bSucceeded afterwards; the modal result carries nothing.
#pragma once

#include <memory>
#include <string>

#include "pipeline/JobSink.h"
#include "pipeline/PendingPos.h"
#include "pipeline/UpgradeJob.h"
#include "toolkit/Toolkit.h"

class PrograssDlg : public CDialog, private pipeline::JobSink {
public:
    // Prepares the staging folder <appDir>\Temp. appDir defaults to the
    // program's folder, or for an installed program the user's cache folder
    // (platform::ProgramScratchHome); tests give a folder of their own and
    // short pauses.
    explicit PrograssDlg(CWnd* pParent = nullptr, std::string appDir = {},
                         pipeline::JobPauses pauses = {});
    ~PrograssDlg() override;

    CProgressCtrl m_ctrlProgress;
    CString m_strFilePath;  // the package; from initialisation on, <appdir>\TEMP.TMP
    CString m_strTempDir;   // <appdir>\Temp
    BYTE m_bSucceeded;      // 1 once the finished job has closed the window
    CString m_strDrive;     // the drive root, destination of every copy
    int m_nDirCount;
    int m_nPos;
    int m_nRange;
    DeviceInfo m_DeviceInfo;

    // The program is asked to end: the job stops at its next safe point and
    // removes its scratch data; the boxes above this window end, and later
    // messages go to standard error, as nobody may be there to answer them.
    // The window ends by itself once the job has. False when a box had to be
    // ended: its worker goes on only after the caller's handler has returned,
    // so the caller must not wait for the job there.
    bool Stop();
    // True once no worker runs any more and the job's scratch data is gone.
    bool JobGone() const { return m_bJobGone; }

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    // The close gate: refused while the job runs.
    void OnClose();
    // Enter and Escape end the window only when no job runs.
    void OnOK() override;
    void OnCancel() override;

    DECLARE_MESSAGE_MAP()

private:
    // What the job asks of the window; the worker's calls wait for the
    // user-interface thread (message boxes, SendMessage), but for SetPos.
    void SetRange(int lower, int upper) override;
    void SetPos(int pos) override;
    void ShowMessage(const std::string& text, const std::string& caption,
                     unsigned int type) override;
    void Prompt(const std::string& text) override;
    void RequestClose() override;
    void PhaseChanged(pipeline::JobPhase phase) override;

    void QueueShowing();
    void TakeJobState();
    void RemoveScratch();

    std::unique_ptr<pipeline::UpgradeJob> m_job;
    pipeline::PendingPos m_pendingPos;
    bool m_bJobGone = false;
};
