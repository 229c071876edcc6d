#include "toolkit/CWinApp.h"

#include <QApplication>
#include <QSessionManager>

#include "toolkit/CWnd.h"
#include "toolkit/MessageBox.h"
#include "toolkit/Translations.h"

CWinApp::CWinApp(LPCSTR lpszAppName) : m_strAppName(lpszAppName) {}

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::ExitInstance() { return 0; }

int CWinApp::Run(int& argc, char** argv) {
    QApplication app(argc, argv);
    toolkit::InstallChineseTranslations(app);
    if (m_strAppName.IsEmpty()) m_strAppName = toolkit::ApplicationName();
    QApplication::setApplicationName(QString::fromStdString(m_strAppName));
    // The session ending reaches the main window as it does on Windows; the
    // session manager waits for the handler to return.
    QObject::connect(
        &app, &QGuiApplication::commitDataRequest, &app,
        [this](QSessionManager&) {
            if (m_pMainWnd != nullptr) m_pMainWnd->SendMessage(WM_ENDSESSION, TRUE);
        },
        Qt::DirectConnection);
    if (!InitInstance()) return ExitInstance();
    const int code = QApplication::exec();
    ExitInstance();
    return code;
}
