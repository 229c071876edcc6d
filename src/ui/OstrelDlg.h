// The main window (template 102, menu 132): the user's drive and package
// choices, the hint line, and the Start flow that formats, runs the upgrade
// job in the progress window and reports its result. One upgrade per run.
#pragma once

#include <memory>
#include <string>

#include "toolkit/Toolkit.h"

// Sent from outside the program (SIGUSR1 on Linux): forget both choices.
constexpr UINT WM_RESET_CHOICE = WM_USER + 200;

class PrograssDlg;
class ResetSignal;
class StopSignals;

class OstrelDlg : public CDialog {
public:
    explicit OstrelDlg(CWnd* pParent = nullptr);
    ~OstrelDlg() override;

    CString m_strFile;   // the package path, edit 1002
    CString m_strDrive;  // the drive root such as E:\, edit 1003
    CString m_strTips;   // the hint, edit 1005
    HICON m_hIcon;
    CMenu m_menu;

    // The hint for the current choices; does not push.
    void UpdateTips();
    // Formats the drive whose letter is drive[0] (the root is m_strDrive).
    void FormatDrive(const char* drive);

    // 0, or the program's exit status once it was asked from outside to end.
    int StopCode() const { return m_nStopCode; }

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnSelectFile();
    void OnChooseDrive();
    void OnStart();
    LRESULT OnResetChoice(WPARAM wParam, LPARAM lParam);
    LRESULT OnEndSession(WPARAM wParam, LPARAM lParam);
    void OnManual();
    void OnAbout();
    void OnCompanyInfo();

    DECLARE_MESSAGE_MAP()

private:
    void AddAboutItem();
    void EnableCommand(UINT nID, BOOL bEnable);
    void ShowPrompt(const CString& strMessage);
    BOOL RunUpgrade();
    // Asked from outside to end (a signal, the session ending). True when
    // the caller may wait here for the running job to end.
    bool Stop(int exitCode, const std::string& reason);
    bool Stopping() const { return m_nStopCode != 0; }

    std::unique_ptr<ResetSignal> m_resetSignal;
    std::unique_ptr<StopSignals> m_stopSignals;
    int m_nStopCode = 0;
    PrograssDlg* m_pProgress = nullptr;  // while the progress window runs
};
