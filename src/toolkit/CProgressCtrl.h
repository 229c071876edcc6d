// The progress bar control. Safe to call from a worker thread: each call is
// carried to the user-interface thread and waited for (as SendMessage).
#pragma once

#include "toolkit/CWnd.h"

class CProgressCtrl : public CWnd {
public:
    // The range as the Windows control takes it from PBM_SETRANGE: 16-bit.
    void SetRange(short nLower, short nUpper);
    void SetRange32(int nLower, int nUpper);
    // Positions outside the range are held at its ends. Returns the old position.
    int SetPos(int nPos);
};
