// The application: runs the main window modally and ends with it.
#pragma once

#include "toolkit/Toolkit.h"

class OstrelApp : public CWinApp {
public:
    OstrelApp();
    ~OstrelApp() override = default;

    BOOL InitInstance() override;
    // The exit status: non-zero when the program was asked to end from outside.
    int ExitInstance() override { return m_nExitCode; }

protected:
    DECLARE_MESSAGE_MAP()

private:
    int m_nExitCode = 0;
};

extern OstrelApp theApp;
