// The format on Windows is the system's format command, run by the command
// interpreter as the program has always asked for it, waited for to its end.
#include <cstdint>
#include <string>

#include "platform/Formatting.h"
#include "platform/Win32.h"

namespace platform {
namespace {

constexpr int kLastErrorResult = 32;

std::string FormatParameters(const FormatRequest& request) {
    const std::string drive{request.drive, ':'};
    return "/C \"format.com " + drive + "/force/q/y/FS:" + FileSystemName(request.fileSystem) +
           "\"";
}

}  // namespace

FormatOutcome Format(const FormatRequest& request) {
    const std::string root = DriveRootText(request.drive);
    if (GetDriveTypeA(root.c_str()) != DRIVE_REMOVABLE) return {ERROR_PATH_NOT_FOUND, false};
    const std::string parameters = FormatParameters(request);
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    info.lpVerb = "open";
    info.lpFile = "CMD.EXE";
    info.lpParameters = parameters.c_str();
    info.nShow = SW_HIDE;
    const BOOL started = ShellExecuteExA(&info);
    const int launch = static_cast<int>(reinterpret_cast<std::intptr_t>(info.hInstApp));
    if (!started || info.hProcess == nullptr) {
        return {launch <= kLastErrorResult ? launch : ERROR_FILE_NOT_FOUND, false};
    }
    WaitForSingleObject(info.hProcess, INFINITE);
    DWORD exitCode = 1;
    const bool exited = GetExitCodeProcess(info.hProcess, &exitCode);
    CloseHandle(info.hProcess);
    return {launch, exited && exitCode == 0};
}

}  // namespace platform
