#include "toolkit/CDialog.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPalette>

#include "res/Resources.h"
#include "toolkit/CDC.h"
#include "toolkit/CDataExchange.h"
#include "toolkit/Controls.h"
#include "toolkit/DialogWidget.h"
#include "toolkit/Icons.h"
#include "toolkit/ModalRun.h"
#include "toolkit/Properties.h"
#include "toolkit/UiThread.h"
#include "toolkit/WidgetText.h"

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

QColor ToQColor(COLORREF c) { return {GetRValue(c), GetGValue(c), GetBValue(c)}; }

void FillMenu(QMenu& target, const CMenu& source, const std::function<void(UINT)>& onCommand) {
    for (const auto& item : source.Items()) {
        if (item.flags & MF_SEPARATOR) {
            target.addSeparator();
            continue;
        }
        if (item.popup) {
            FillMenu(*target.addMenu(Q(item.text)), *item.popup, onCommand);
            continue;
        }
        auto* action = target.addAction(Q(item.text));
        action->setEnabled((item.flags & (MF_GRAYED | MF_DISABLED)) == 0);
        action->setProperty(toolkit::kCommandProperty, item.id);
        const UINT id = item.id;
        QObject::connect(action, &QAction::triggered, &target, [onCommand, id] { onCommand(id); });
    }
}

}  // namespace

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDTemplate(nIDTemplate),
      m_pParentWnd(pParentWnd),
      m_pTemplate(res::FindDialog(nIDTemplate)) {
    ResetSystemMenu();
}

CDialog::~CDialog() { delete m_pWindow; }

void CDialog::ResetSystemMenu() {
    m_sysMenu.DestroyMenu();
    m_sysMenu.AppendMenu(MF_STRING, SC_MOVE, "移动(&M)");
    m_sysMenu.AppendMenu(MF_STRING, SC_CLOSE, "关闭(&C)\tAlt+F4");
}

void CDialog::Create() {
    QWidget* parent = m_pParentWnd ? m_pParentWnd->GetWidget() : nullptr;
    m_pWindow = new toolkit::DialogWidget(*this, parent);
    Attach(m_pWindow, 0);
    const auto& tpl = *m_pTemplate;
    const QFont font = toolkit::DialogFont(tpl.fontName, tpl.pointSize);
    m_pWindow->setFont(font);
    const auto units = toolkit::FontBaseUnits(font);

    // A window shown in the task bar is a top-level window, not a dialog.
    Qt::WindowFlags flags = (tpl.exStyle & WS_EX_APPWINDOW) ? Qt::Window : Qt::Dialog;
    flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (tpl.style & WS_SYSMENU) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    m_pWindow->setWindowFlags(flags);
    m_pWindow->setWindowTitle(
        QString::fromUtf8(tpl.caption.data(), static_cast<qsizetype>(tpl.caption.size())));
    m_pWindow->SetClientSize(
        {toolkit::MulDiv(tpl.cx, units.x, 4), toolkit::MulDiv(tpl.cy, units.y, 8)});

    QWidget* previous = nullptr;
    for (const auto& control : tpl.controls) {
        QWidget* widget = toolkit::CreateControl(control, m_pWindow->Client(), units);
        m_controlWidgets.emplace(control.id, widget);
        m_controls.emplace_back(&control, widget);
        ConnectClicks(control, widget);
        widget->installEventFilter(m_pWindow);
        for (auto* inner : widget->findChildren<QWidget*>()) inner->installEventFilter(m_pWindow);
        if (widget->focusPolicy() == Qt::NoFocus) continue;
        if (previous) QWidget::setTabOrder(previous, widget);
        previous = widget;
    }
    if (m_hBigIcon || m_hSmallIcon) {
        m_pWindow->setWindowIcon(toolkit::ToQIcon(m_hBigIcon ? m_hBigIcon : m_hSmallIcon));
    }
    ApplyColours();
}

void CDialog::ConnectClicks(const res::ControlTemplate& control, QWidget* widget) {
    auto* button = qobject_cast<QAbstractButton*>(widget);
    if (button == nullptr) return;
    const auto id = static_cast<WORD>(control.id);
    QObject::connect(button, &QAbstractButton::clicked, m_pWindow,
                     [this, id] { SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED)); });
}

void CDialog::ApplyColours() {
    if (FindMessageEntry(WM_CTLCOLOR, 0, 0) == nullptr) return;
    for (const auto& [control, widget] : m_controls) {
        CDC dc;
        CWnd wnd;
        wnd.Attach(widget, control->id);
        DispatchCtlColor(&dc, &wnd, toolkit::CtlColorKind(*control));
        if (!dc.HasTextColor()) continue;
        QPalette palette = widget->palette();
        for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
            palette.setColor(role, ToQColor(dc.GetTextColor()));
        }
        widget->setPalette(palette);
    }
}

void CDialog::Destroy() {
    for (CWnd* control : m_boundControls) control->Detach();
    m_boundControls.clear();
    m_tempControls.clear();
    m_controlWidgets.clear();
    m_controls.clear();
    if (m_pMenu) m_pMenu->SetChangeListener(nullptr);
    m_pMenu = nullptr;
    Detach();
    delete m_pWindow;
    m_pWindow = nullptr;
}

int CDialog::DoModal() {
    if (m_pTemplate == nullptr || m_pWindow != nullptr) return -1;
    m_bEnded = false;
    m_nResult = 0;
    Create();
    const BOOL placeFocus = OnInitDialog();
    if (!m_bEnded) {
        if (placeFocus) FocusFirstTabStop();
        const int code = toolkit::ExecModal(*m_pWindow, this);
        if (!m_bEnded) m_nResult = code;  // ended from outside (the test hook)
    }
    const int result = m_nResult;
    Destroy();
    return result;
}

void CDialog::EndDialog(int nResult) {
    toolkit::RunOnUiThread([this, nResult] {
        m_bEnded = true;
        m_nResult = nResult;
        if (m_pWindow && m_pWindow->isVisible()) m_pWindow->done(nResult);
    });
}

int CDialog::EndModalWindowsAbove() {
    while (QWidget* popup = QApplication::activePopupWidget()) popup->close();
    int ended = 0;
    while (auto* top = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
        if (top == m_pWindow) break;
        top->done(IDCANCEL);
        ++ended;
    }
    return ended;
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::DoDataExchange(CDataExchange* /*pDX*/) {}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate) {
    if (m_pWindow == nullptr) return FALSE;
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

void CDialog::OnOK() { EndDialog(IDOK); }

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::OnUnhandledCommand(UINT id) {
    if (id == IDOK) OnOK();
    if (id == IDCANCEL) OnCancel();
}

void CDialog::DefaultClose() { SendMessage(WM_COMMAND, IDCANCEL); }

void CDialog::DefaultSysCommand(UINT nID, LPARAM /*lParam*/) {
    switch (nID & 0xFFF0) {
        case SC_CLOSE:
            SendMessage(WM_CLOSE);
            break;
        case SC_KEYMENU:
            OpenSystemMenu(0, 0);
            break;
        case SC_MINIMIZE:
            if (m_pWindow) m_pWindow->showMinimized();
            break;
        default:
            break;  // moving belongs to the window manager
    }
}

QWidget* CDialog::ControlWidget(int nID) const {
    const auto it = m_controlWidgets.find(nID);
    return it == m_controlWidgets.end() ? nullptr : it->second;
}

void CDialog::BindControl(int nID, CWnd& control) {
    QWidget* widget = ControlWidget(nID);
    if (widget == nullptr) return;
    control.Attach(widget, nID);
    m_boundControls.push_back(&control);
}

CWnd* CDialog::GetDlgItem(int nID) {
    for (CWnd* control : m_boundControls) {
        if (control->GetDlgCtrlID() == nID) return control;
    }
    QWidget* widget = ControlWidget(nID);
    if (widget == nullptr) return nullptr;
    auto& slot = m_tempControls[nID];
    if (!slot) {
        slot = std::make_unique<CWnd>();
        slot->Attach(widget, nID);
    }
    return slot.get();
}

void CDialog::SetDlgItemText(int nID, LPCSTR text) {
    if (CWnd* control = GetDlgItem(nID)) control->SetWindowText(text);
}

void CDialog::FocusFirstTabStop() {
    for (const auto& control : m_pTemplate->controls) {
        if ((control.style & WS_TABSTOP) == 0) continue;
        QWidget* widget = ControlWidget(control.id);
        if (widget && widget->isEnabled() && !widget->isHidden()) {
            widget->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

int CDialog::DefaultCommandId() const {
    for (const auto& control : m_pTemplate->controls) {
        if (control.kind == res::ControlKind::PushButton &&
            (control.style & 0x0F) == BS_DEFPUSHBUTTON) {
            return control.id;
        }
    }
    return IDOK;
}

// ------------------------------------------------------------------ menus

CMenu* CDialog::GetSystemMenu(BOOL bRevert) {
    if (m_pTemplate == nullptr || (m_pTemplate->style & WS_SYSMENU) == 0) return nullptr;
    if (bRevert) {
        ResetSystemMenu();
        return nullptr;
    }
    return &m_sysMenu;
}

void CDialog::OpenSystemMenu(int x, int y) {
    if (m_pWindow == nullptr || GetSystemMenu(FALSE) == nullptr) return;
    delete m_pWindow->findChild<QMenu*>(toolkit::kSystemMenuName);
    auto* menu = new QMenu(m_pWindow);
    menu->setObjectName(toolkit::kSystemMenuName);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    FillMenu(*menu, m_sysMenu, [this](UINT id) { SendMessage(WM_SYSCOMMAND, id); });
    menu->popup(m_pWindow->Client()->mapToGlobal(QPoint(x, y)));
}

BOOL CDialog::SetMenu(CMenu* pMenu) {
    if (m_pMenu) m_pMenu->SetChangeListener(nullptr);
    m_pMenu = pMenu;
    if (m_pMenu) m_pMenu->SetChangeListener([this] { RebuildMenuBar(); });
    RebuildMenuBar();
    return TRUE;
}

void CDialog::RebuildMenuBar() {
    if (m_pWindow == nullptr) return;
    if (m_pMenu == nullptr || !m_pMenu->IsLoaded()) {
        m_pWindow->SetMenuBar(nullptr);
        return;
    }
    auto* bar = new QMenuBar(m_pWindow);
    const auto onCommand = [this](UINT id) {
        SendMessage(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), 0));
    };
    for (const auto& item : m_pMenu->Items()) {
        if (item.popup) {
            auto* popup = bar->addMenu(Q(item.text));
            FillMenu(*popup, *item.popup, onCommand);
        }
    }
    m_pWindow->SetMenuBar(bar);
}

// ------------------------------------------------------- icons and painting

HICON CDialog::SetIcon(HICON hIcon, BOOL bBigIcon) {
    HICON& slot = bBigIcon ? m_hBigIcon : m_hSmallIcon;
    const HICON previous = slot;
    slot = hIcon;
    if (m_pWindow) {
        m_pWindow->setWindowIcon(toolkit::ToQIcon(m_hBigIcon ? m_hBigIcon : m_hSmallIcon));
    }
    return previous;
}

BOOL CDialog::IsIconic() const { return m_pWindow && m_pWindow->isMinimized() ? TRUE : FALSE; }

void CDialog::DispatchPaint() {
    const auto* entry = FindMessageEntry(WM_PAINT, 0, 0);
    if (entry == nullptr) return;
    if (const auto* handler = std::get_if<toolkit::PlainHandler>(&entry->handler)) {
        (this->*(*handler))();
    }
}

HBRUSH CDialog::DispatchCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor) {
    if (const auto* entry = FindMessageEntry(WM_CTLCOLOR, 0, 0)) {
        if (const auto* handler = std::get_if<toolkit::CtlColorHandler>(&entry->handler)) {
            return (this->*(*handler))(pDC, pWnd, nCtlColor);
        }
    }
    return OnCtlColor(pDC, pWnd, nCtlColor);
}
