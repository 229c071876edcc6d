#include "drive/DriveFormatter.h"

#include <cstdio>
#include <utility>

#include "platform/FormatCommand.h"

namespace drive {
namespace {

constexpr std::uint64_t kBytesPerMb = 1048576;
constexpr std::uint64_t kFatLimitMb = 2048;
constexpr DWORD kOsVersionInfoSize = 148;
constexpr DWORD kPauseAfterLaunchMs = 2000;
constexpr std::size_t kParameterBufferSize = 100;
constexpr HINSTANCE kLastErrorResult = 32;

struct FormatCommand {
    const char* program;
    const char* parameters;  // %c is the drive letter
};

FormatCommand ChooseCommand(bool nt, bool fat32) {
    if (nt) {
        return fat32 ? FormatCommand{"CMD.EXE", "/C   \"format.com   %c:/force/q/y/FS:FAT32\""}
                     : FormatCommand{"CMD.EXE", "/C   \"format.com   %c:/force/q/y/FS:FAT\""};
    }
    return fat32 ? FormatCommand{"COMMAND.COM", "/C   \"format.com   %c:/autotest/q/u/y/FS:FAT32\""}
                 : FormatCommand{"COMMAND.COM", "/C   \"format.com   %c:/autotest/q/u/y/FS:FAT\""};
}

}  // namespace

FormatterSystem SystemFormatter(std::function<void(const std::string&)> prompt) {
    return FormatterSystem{::GetDiskFreeSpaceExA, ::GetVersionExA, platform::ShellExecuteAndWait,
                           ::Sleep, std::move(prompt)};
}

std::string LaunchErrorMessage(HINSTANCE result) {
    switch (result) {
        case 0:
            return "内存不足";
        case 2:
            return "文件名错误";
        case 3:
            return "路径名错误";
        case 11:
            return "EXE文件无效";
        case 26:
            return "发生共享错误";
        case 27:
            return "文件名不完全或无效";
        case 28:
            return "超时";
        case 29:
            return "DDE 事务失败";
        case 30:
            return "DDE 事务失败2";
        case 31:
            return "没有相关联的应用程序";
        default:
            return "打开错误:" + std::to_string(result);
    }
}

DriveFormatter::DriveFormatter(FormatterSystem system) : m_system(std::move(system)) {}

void DriveFormatter::FormatDrive(const std::string& strDrive, const char* drive) const {
    std::uint64_t totalBytes = TotalBytes(strDrive);
    bool nt = IsNtPlatform();
    std::uint64_t sizeMb = totalBytes / kBytesPerMb;
    FormatCommand command = ChooseCommand(nt, sizeMb > kFatLimitMb);

    char parameters[kParameterBufferSize] = {};
    std::snprintf(parameters, sizeof parameters, command.parameters, drive[0]);

    BOOL formatted = FALSE;
    HINSTANCE result = m_system.shellExecute(nullptr, "open", command.program, parameters, nullptr,
                                             SW_HIDE, &formatted);
    m_system.sleep(kPauseAfterLaunchMs);
    ReportLaunch(result, formatted);
}

bool DriveFormatter::IsNtPlatform() const {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = kOsVersionInfoSize;
    // Every system this program still meets is of the NT family; an
    // unanswered query is taken as one.
    if (!m_system.getVersionEx(&version)) return true;
    return version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

// A failed query counts as 0 bytes, so FAT: the query fails when the drive
// has gone, and the launcher then refuses the letter anyway.
std::uint64_t DriveFormatter::TotalBytes(const std::string& strDrive) const {
    ULARGE_INTEGER freeToCaller{};
    ULARGE_INTEGER total{};
    ULARGE_INTEGER totalFree{};
    if (!m_system.getDiskFreeSpaceEx(strDrive.c_str(), &freeToCaller, &total, &totalFree)) {
        return 0;
    }
    return total.QuadPart;
}

void DriveFormatter::ReportLaunch(HINSTANCE result, BOOL formatted) const {
    if (result <= kLastErrorResult) {
        m_system.prompt(LaunchErrorMessage(result));
    } else if (!formatted) {
        m_system.prompt(kFormatFailedMessage);
    }
}

}  // namespace drive
