#include "toolkit/CDC.h"

#include <QPainter>
#include <QPixmap>

#include "toolkit/Icons.h"

COLORREF CDC::SetTextColor(COLORREF color) {
    const COLORREF previous = m_textColor;
    m_textColor = color;
    m_bTextColorSet = true;
    return previous;
}

BOOL CDC::DrawIcon(int x, int y, HICON hIcon) {
    if (m_pPainter == nullptr || hIcon == nullptr) return FALSE;
    const int size = GetSystemMetrics(SM_CXICON);
    m_pPainter->drawPixmap(x, y, toolkit::IconPixmap(hIcon, size));
    return TRUE;
}
