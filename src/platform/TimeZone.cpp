#include "platform/TimeZone.h"

#include <cstdlib>
#include <ctime>

namespace platform {

void PinLocalTimeZone() {
    if (std::getenv("TZ") == nullptr) (void)::setenv("TZ", ":/etc/localtime", 0);
    ::tzset();
}

}  // namespace platform
