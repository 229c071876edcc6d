// A device context: the colours a colour handler chooses for a control, and
// painting through a paint context (CPaintDC).
#pragma once

#include "toolkit/Types.h"

class QPainter;

class CDC {
public:
    CDC() = default;
    virtual ~CDC() = default;
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    COLORREF SetTextColor(COLORREF color);  // returns the previous colour
    COLORREF GetTextColor() const { return m_textColor; }
    bool HasTextColor() const { return m_bTextColorSet; }
    BOOL DrawIcon(int x, int y, HICON hIcon);
    HANDLE GetSafeHdc() const { return m_pPainter; }

protected:
    QPainter* m_pPainter = nullptr;

private:
    COLORREF m_textColor = 0;
    bool m_bTextColorSet = false;
};
