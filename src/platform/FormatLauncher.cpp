#include "platform/FormatLauncher.h"

namespace platform {

// No formatter is wired in yet: the interpreter counts as not found.
HINSTANCE RunFormatCommand(std::string_view /*program*/, std::string_view /*parameters*/) {
    return 2;
}

}  // namespace platform
