// The main window's drive formatting (OstrelDlg::FormatDrive and
// OstrelDlg::IsNtPlatform), kept apart from the window so that the command
// line and the tests use the very same rule, texts and messages.
//
// The format command is chosen by drive size (FAT32 above 2048 MB, FAT
// otherwise) and platform family, launched hidden through the shell, and
// followed by a 2000 ms pause. The launch waits for the format to end, so
// that the copy that follows never races a running format; a format that
// ran but failed is reported like a failed launch, in a prompt.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/Win32.h"

namespace drive {

// The system calls and the prompt the formatter uses; tests replace them.
struct FormatterSystem {
    std::function<BOOL(LPCSTR, ULARGE_INTEGER*, ULARGE_INTEGER*, ULARGE_INTEGER*)>
        getDiskFreeSpaceEx;
    std::function<BOOL(OSVERSIONINFOA*)> getVersionEx;
    // ShellExecuteA that returns once the launched command has ended;
    // *succeeded tells whether it did its work.
    std::function<HINSTANCE(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, int, BOOL*)> shellExecute;
    std::function<void(DWORD)> sleep;
    // Shows a message and returns once the user has closed it.
    std::function<void(const std::string&)> prompt;
};

// The real system calls with the caller's prompt (a TipsDlg in the window,
// standard error on the command line).
FormatterSystem SystemFormatter(std::function<void(const std::string&)> prompt);

// The message for a launch result of 32 or less.
std::string LaunchErrorMessage(HINSTANCE result);

// Shown when the format command ran but the drive was not formatted.
inline constexpr const char* kFormatFailedMessage = "格式化U盘失败！";

class DriveFormatter {
public:
    explicit DriveFormatter(FormatterSystem system);

    // Formats the drive `strDrive` (a root such as E:\, used for the capacity);
    // the drive letter is the first character of `drive`.
    void FormatDrive(const std::string& strDrive, const char* drive) const;

    // True for the NT family of Windows.
    bool IsNtPlatform() const;

private:
    std::uint64_t TotalBytes(const std::string& strDrive) const;
    void ReportLaunch(HINSTANCE result, BOOL formatted) const;

    FormatterSystem m_system;
};

}  // namespace drive
