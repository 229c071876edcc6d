// The process's local time zone, as the UnRAR library converts header times.
#pragma once

namespace platform {

// While TZ is unset the C library looks at /etc/localtime again on every
// mktime and localtime, to notice a change of zone: one stat per archive
// header. TZ naming that same file gives the same zone, read once. Call at
// program start, before any thread exists (it may set the environment); an
// existing TZ is left as it is. Nothing to do on Windows.
void PinLocalTimeZone();

}  // namespace platform
