// The paint context of a window's client area, for a WM_PAINT handler.
#pragma once

#include "toolkit/CDC.h"

class CWnd;

class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC() override;
};
