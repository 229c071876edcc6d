// The application object: owns the Qt application while it runs and calls
// InitInstance, whose FALSE ends the program without a message loop.
#pragma once

#include "toolkit/CCmdTarget.h"
#include "toolkit/CString.h"

class CWnd;

class CWinApp : public CCmdTarget {
public:
    // Without a name of its own the application is named after its program file.
    explicit CWinApp(LPCSTR lpszAppName = nullptr);
    ~CWinApp() override = default;

    virtual BOOL InitInstance();
    virtual int ExitInstance();

    // Creates the Qt application, runs InitInstance and, when that reports
    // TRUE, the event loop. Returns the exit code.
    int Run(int& argc, char** argv);

    // Windows 95 needed this for 3-D controls; every Qt style draws them.
    void Enable3dControls() {}
    // The standard help command (ID_HELP): the program has no help file.
    void OnHelp() {}

    CWnd* m_pMainWnd = nullptr;
    CString m_strAppName;
};

// Lets dialogs host embedded (ActiveX) controls on Windows; nothing to do here.
inline void AfxEnableControlContainer() {}
