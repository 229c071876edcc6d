// The errno value for a Windows error code, so that the layer reports
// failures the same way on every system (ErrorText, CFileException).
#pragma once

namespace platform {

int ErrnoFromSystemError(unsigned long code);
// ErrnoFromSystemError(GetLastError()), also stored in errno.
int ErrnoFromLastError();

}  // namespace platform
