// Worker threads, started as AfxBeginThread starts them.
#pragma once

#include "toolkit/Types.h"

using AFX_THREADPROC = UINT (*)(void* pParam);

// Starts `pfnThreadProc(pParam)` on a new thread at `nPriority`
// (THREAD_PRIORITY_*), running at once; the thread is not kept or joined.
// False when the thread could not be started.
bool AfxBeginThread(AFX_THREADPROC pfnThreadProc, void* pParam,
                    int nPriority = THREAD_PRIORITY_NORMAL);
