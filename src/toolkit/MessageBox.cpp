#include "toolkit/MessageBox.h"

#include <QMessageBox>
#include <QPushButton>

#include "platform/Path.h"
#include "toolkit/CWnd.h"
#include "toolkit/ModalRun.h"
#include "toolkit/Properties.h"
#include "toolkit/UiThread.h"

namespace toolkit {
namespace {

QMessageBox::Icon IconFor(UINT type) {
    switch (type & 0xF0) {
        case MB_ICONINFORMATION:
            return QMessageBox::Information;
        case MB_ICONEXCLAMATION:
            return QMessageBox::Warning;
        default:
            return QMessageBox::NoIcon;
    }
}

int RunBox(CWnd* owner, const std::string& text, const std::string& caption, UINT type) {
    QMessageBox box(IconFor(type), QString::fromStdString(caption), QString::fromStdString(text),
                    QMessageBox::NoButton, owner ? owner->GetWidget() : nullptr);
    auto* ok = box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
    ok->setProperty(kIdProperty, IDOK);
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    box.setTextFormat(Qt::PlainText);
    box.setProperty(kMessageTypeProperty, type);
    ExecModal(box, nullptr);
    return IDOK;
}

}  // namespace

std::string ApplicationName() { return platform::ModulePath().stem().string(); }

int ShowMessageBox(CWnd* owner, LPCSTR text, LPCSTR caption, UINT type) {
    const std::string body = text ? text : "";
    const std::string title = caption ? caption : ApplicationName();
    int result = IDOK;
    RunOnUiThread([&] { result = RunBox(owner, body, title, type); });
    return result;
}

}  // namespace toolkit

int AfxMessageBox(LPCSTR text, UINT nType) {
    return toolkit::ShowMessageBox(nullptr, text, nullptr, nType);
}
