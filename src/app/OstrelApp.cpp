#include "app/OstrelApp.h"

#include "ui/OstrelDlg.h"

OstrelApp theApp;

// No name of its own: message boxes without a caption show the program
// file's name, "Ostrel".
OstrelApp::OstrelApp() = default;

BEGIN_MESSAGE_MAP(OstrelApp, CWinApp)
ON_COMMAND(ID_HELP, &CWinApp::OnHelp)
END_MESSAGE_MAP()

// The main window is the whole program: once it closes there is nothing left
// to do, so start-up reports FALSE and no message loop of our own runs.
BOOL OstrelApp::InitInstance() {
    AfxEnableControlContainer();
    Enable3dControls();

    OstrelDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    m_nExitCode = dlg.StopCode();
    return FALSE;
}
