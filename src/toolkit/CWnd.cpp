#include "toolkit/CWnd.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

#include "toolkit/DialogWidget.h"
#include "toolkit/MessageBox.h"
#include "toolkit/UiThread.h"
#include "toolkit/WidgetText.h"

void CWnd::Attach(QWidget* widget, int id) {
    m_pWidget = widget;
    m_nID = id;
}

void CWnd::Detach() {
    m_pWidget = nullptr;
    m_nID = 0;
}

void CWnd::SetWindowText(LPCSTR text) {
    if (m_pWidget == nullptr) return;
    toolkit::SetWidgetText(*m_pWidget, text ? text : "");
}

BOOL CWnd::EnableWindow(BOOL bEnable) {
    if (m_pWidget == nullptr) return FALSE;
    const BOOL wasDisabled = m_pWidget->isEnabled() ? FALSE : TRUE;
    m_pWidget->setEnabled(bEnable != FALSE);
    return wasDisabled;
}

void CWnd::GetClientRect(CRect* rect) const {
    if (rect == nullptr || m_pWidget == nullptr) return;
    const QWidget* client = m_pWidget;
    if (const auto* dialog = dynamic_cast<const toolkit::DialogWidget*>(m_pWidget)) {
        client = dialog->Client();
    }
    *rect = {0, 0, client->width(), client->height()};
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    toolkit::RunOnUiThread([&] { result = WindowProc(message, wParam, lParam); });
    return result;
}

int CWnd::MessageBox(LPCSTR text, LPCSTR caption, UINT type) {
    return toolkit::ShowMessageBox(this, text, caption, type);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    const UINT id = message == WM_COMMAND ? LOWORD(wParam) : 0;
    const UINT code = message == WM_COMMAND ? HIWORD(wParam) : 0;
    if (const auto* entry = FindMessageEntry(message, code, id)) {
        return Dispatch(*entry, wParam, lParam);
    }
    return DefWindowProc(message, wParam, lParam);
}

LRESULT CWnd::Dispatch(const toolkit::MessageMapEntry& entry, WPARAM wParam, LPARAM lParam) {
    using namespace toolkit;
    if (const auto* plain = std::get_if<PlainHandler>(&entry.handler)) {
        (this->*(*plain))();
        return 0;
    }
    if (const auto* sys = std::get_if<SysCommandHandler>(&entry.handler)) {
        (this->*(*sys))(static_cast<UINT>(wParam), lParam);
        return 0;
    }
    if (const auto* msg = std::get_if<MessageHandler>(&entry.handler)) {
        return (this->*(*msg))(wParam, lParam);
    }
    if (const auto* query = std::get_if<QueryIconHandler>(&entry.handler)) {
        return reinterpret_cast<LRESULT>((this->*(*query))());
    }
    // Colour requests carry a device context and come through DispatchCtlColor.
    return 0;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            OnUnhandledCommand(LOWORD(wParam));
            return 0;
        case WM_CLOSE:
            OnClose();
            return 0;
        case WM_SYSCOMMAND:
            OnSysCommand(static_cast<UINT>(wParam), lParam);
            return 0;
        case WM_QUERYDRAGICON:
            return reinterpret_cast<LRESULT>(OnQueryDragIcon());
        default:
            return 0;
    }
}

void CWnd::OnUnhandledCommand(UINT /*id*/) {}

void CWnd::OnClose() { DefaultClose(); }

void CWnd::OnSysCommand(UINT nID, LPARAM lParam) { DefaultSysCommand(nID, lParam); }

void CWnd::DefaultClose() {
    if (m_pWidget) m_pWidget->hide();
}

void CWnd::DefaultSysCommand(UINT nID, LPARAM /*lParam*/) {
    if ((nID & 0xFFF0) == SC_CLOSE) SendMessage(WM_CLOSE);
}

void CWnd::OnPaint() {}

HCURSOR CWnd::OnQueryDragIcon() { return nullptr; }

HBRUSH CWnd::OnCtlColor(CDC* /*pDC*/, CWnd* /*pWnd*/, UINT /*nCtlColor*/) { return nullptr; }
