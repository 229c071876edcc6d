// Formatting the chosen drive: the main window's "是" to "是否格式化U盘？" and
// `ostrel-cli write --format` use the very same rule, texts and messages.
//
// The file system is chosen by drive size (FAT32 above 2048 MB, FAT
// otherwise) and handed to the system layer as a format request, followed by
// a 2000 ms pause. The format is carried out to its end first, so that the
// copy that follows never races a running format; a format that ran but
// failed is reported like a failed launch, in a prompt.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Formatting.h"
#include "platform/Win32.h"

namespace drive {

// The system calls and the prompt the formatter uses; tests replace them.
struct FormatterSystem {
    std::function<BOOL(LPCSTR, ULARGE_INTEGER*, ULARGE_INTEGER*, ULARGE_INTEGER*)>
        getDiskFreeSpaceEx;
    // Returns once the format has ended.
    std::function<platform::FormatOutcome(const platform::FormatRequest&)> format;
    std::function<void(DWORD)> sleep;
    // Shows a message and returns once the user has closed it.
    std::function<void(const std::string&)> prompt;
};

// The real system calls with the caller's prompt (a TipsDlg in the window,
// standard error on the command line).
FormatterSystem SystemFormatter(std::function<void(const std::string&)> prompt);

// The message for a launch result of 32 or less.
std::string LaunchErrorMessage(int result);

// Shown when the format ran but the drive was not formatted.
inline constexpr const char* kFormatFailedMessage = "格式化U盘失败！";

class DriveFormatter {
public:
    explicit DriveFormatter(FormatterSystem system);

    // Formats the drive `strDrive` (a root such as E:\, used for the capacity);
    // the drive letter is the first character of `drive`. True when it was
    // formatted; otherwise the user has been told why not.
    bool FormatDrive(const std::string& strDrive, const char* drive) const;

    // The two halves of FormatDrive, for a caller that says what it does
    // before it does it.
    platform::FormatRequest RequestFor(const std::string& strDrive, const char* drive) const;
    bool Format(const platform::FormatRequest& request) const;

private:
    std::uint64_t TotalBytes(const std::string& strDrive) const;
    void ReportLaunch(const platform::FormatOutcome& outcome) const;

    FormatterSystem m_system;
};

// The drive root text ("E:\") when `target` is the root of a removable drive
// of the drive table ("E:\", "e:", "E:/"); empty for anything else: the
// system disk, a folder on a drive, a native path, an unknown letter.
std::optional<std::string> RemovableDriveRoot(std::string_view target);

enum class CommandLineFormat {
    Refused,       // `target` is no removable drive root; nothing was done
    NotFormatted,  // the format was tried and did not happen
    Formatted,
};

// `ostrel-cli write --format`: formats the drive that `target` names. Says on
// `notes` which file system it chose before it formats, and writes each
// message as a line on `messages`.
CommandLineFormat FormatForCommandLine(std::string_view target, std::FILE* notes,
                                       std::FILE* messages);

}  // namespace drive
