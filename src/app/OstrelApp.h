// The application: runs the main window modally and ends with it.
#pragma once

#include "toolkit/Toolkit.h"

class OstrelApp : public CWinApp {
public:
    OstrelApp();
    ~OstrelApp() override = default;

    BOOL InitInstance() override;

protected:
    DECLARE_MESSAGE_MAP()
};

extern OstrelApp theApp;
