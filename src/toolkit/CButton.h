// The push button control.
#pragma once

#include "toolkit/CWnd.h"

class CButton : public CWnd {};
