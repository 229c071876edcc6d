#include "platform/FormatLauncher.h"

#include "platform/FormatCommand.h"

namespace platform {

// Carried out to its end; callers that need to know whether the drive was
// formatted use ShellExecuteAndWait (FormatCommand.h).
HINSTANCE RunFormatCommand(std::string_view program, std::string_view parameters) {
    return CarryOutFormatCommand(program, parameters).launch;
}

}  // namespace platform
