#include "platform/TimeZone.h"

namespace platform {

void PinLocalTimeZone() {}

}  // namespace platform
