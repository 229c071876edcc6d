#include "toolkit/CDataExchange.h"

#include <QLineEdit>

#include "toolkit/CDialog.h"
#include "toolkit/WidgetText.h"

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value) {
    if (pDX == nullptr || pDX->m_pDlgWnd == nullptr) return;
    QWidget* widget = pDX->m_pDlgWnd->ControlWidget(nIDC);
    if (widget == nullptr) return;
    if (!pDX->m_bSaveAndValidate) {
        toolkit::SetWidgetText(*widget, value);
        return;
    }
    if (const auto* edit = qobject_cast<const QLineEdit*>(widget); edit && edit->isReadOnly()) {
        return;
    }
    value = toolkit::WidgetText(*widget);
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& control) {
    if (pDX == nullptr || pDX->m_pDlgWnd == nullptr) return;
    if (control.GetWidget() == nullptr) pDX->m_pDlgWnd->BindControl(nIDC, control);
}
