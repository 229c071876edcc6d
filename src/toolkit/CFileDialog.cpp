#include "toolkit/CFileDialog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

#include "platform/Path.h"
#include "toolkit/CWnd.h"
#include "toolkit/ModalRun.h"

namespace {

// "label|pattern|label|pattern" -> {"label (pattern)", ...}
QStringList NameFilters(const std::string& filter) {
    const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty() && parts[i + 1].isEmpty()) break;
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        filters << QStringLiteral("%1 (%2)").arg(parts[i], patterns);
    }
    return filters;
}

// The folder of the last file chosen in this run is kept by the application
// object, so that it ends with the run.
constexpr const char* kLastFolderProperty = "ostrelLastFileFolder";

QString StartFolder() {
    const QString last = qApp->property(kLastFolderProperty).toString();
    return last.isEmpty() ? QDir::homePath() : last;
}

void RememberFolderOf(const QString& file) {
    qApp->setProperty(kLastFolderProperty, QFileInfo(file).absolutePath());
}

}  // namespace

CFileDialog::CFileDialog(BOOL bOpenFileDialog, LPCSTR lpszDefExt, LPCSTR lpszFileName,
                         DWORD /*dwFlags*/, LPCSTR lpszFilter, CWnd* pParentWnd)
    : m_bOpen(bOpenFileDialog),
      m_strDefExt(lpszDefExt),
      m_strFileName(lpszFileName),
      m_strFilter(lpszFilter),
      m_pParentWnd(pParentWnd) {}

int CFileDialog::DoModal() {
    QFileDialog dialog(m_pParentWnd ? m_pParentWnd->GetWidget() : nullptr);
    // Our own dialog, so that it looks the same everywhere and tests can answer it.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(m_bOpen ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    // Without option flags the name typed need not exist.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDirectory(StartFolder());
    if (!m_strDefExt.empty()) dialog.setDefaultSuffix(QString::fromStdString(m_strDefExt));
    if (!m_strFileName.empty()) dialog.selectFile(QString::fromStdString(m_strFileName));
    const QStringList filters = NameFilters(m_strFilter);
    if (!filters.isEmpty()) dialog.setNameFilters(filters);
    dialog.setWindowTitle(m_bOpen ? QStringLiteral("打开") : QStringLiteral("另存为"));

    m_strPathName.Empty();
    if (toolkit::ExecModal(dialog, nullptr) != QDialog::Accepted) return IDCANCEL;
    const QStringList files = dialog.selectedFiles();
    if (!files.isEmpty()) {
        m_strPathName = platform::ToDrivePath(files.front().toStdString());
        RememberFolderOf(files.front());
    }
    return IDOK;
}
