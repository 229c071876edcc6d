#include "toolkit/CPaintDC.h"

#include <QPainter>

#include "toolkit/CDialog.h"
#include "toolkit/DialogWidget.h"

CPaintDC::CPaintDC(CWnd* pWnd) {
    QWidget* target = pWnd ? pWnd->GetWidget() : nullptr;
    if (auto* dialog = dynamic_cast<CDialog*>(pWnd); dialog && dialog->Window()) {
        target = dialog->Window()->Client();
    }
    if (target && target->isVisible()) m_pPainter = new QPainter(target);
}

CPaintDC::~CPaintDC() { delete m_pPainter; }
