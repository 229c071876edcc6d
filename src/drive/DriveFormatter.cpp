#include "drive/DriveFormatter.h"

#include <cctype>
#include <utility>

#include "platform/Drives.h"

namespace drive {
namespace {

constexpr std::uint64_t kBytesPerMb = 1048576;
constexpr std::uint64_t kFatLimitMb = 2048;
constexpr DWORD kPauseAfterLaunchMs = 2000;
constexpr int kLastErrorResult = 32;

platform::FormatOutcome FormatWithTheSystem(const platform::FormatRequest& request) {
    return platform::Format(request);
}

}  // namespace

FormatterSystem SystemFormatter(std::function<void(const std::string&)> prompt) {
    return FormatterSystem{::GetDiskFreeSpaceExA, FormatWithTheSystem, ::Sleep, std::move(prompt)};
}

std::string LaunchErrorMessage(int result) {
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

bool DriveFormatter::FormatDrive(const std::string& strDrive, const char* drive) const {
    return Format(RequestFor(strDrive, drive));
}

platform::FormatRequest DriveFormatter::RequestFor(const std::string& strDrive,
                                                   const char* drive) const {
    const std::uint64_t sizeMb = TotalBytes(strDrive) / kBytesPerMb;
    return platform::FormatRequest{
        static_cast<char>(std::toupper(static_cast<unsigned char>(drive[0]))),
        sizeMb > kFatLimitMb ? platform::FileSystem::Fat32 : platform::FileSystem::Fat};
}

bool DriveFormatter::Format(const platform::FormatRequest& request) const {
    const platform::FormatOutcome outcome = m_system.format(request);
    m_system.sleep(kPauseAfterLaunchMs);
    ReportLaunch(outcome);
    return outcome.launch > kLastErrorResult && outcome.formatted;
}

// A failed query counts as 0 bytes, so FAT: the query fails when the drive
// has gone, and the format then refuses the letter anyway.
std::uint64_t DriveFormatter::TotalBytes(const std::string& strDrive) const {
    ULARGE_INTEGER freeToCaller{};
    ULARGE_INTEGER total{};
    ULARGE_INTEGER totalFree{};
    if (!m_system.getDiskFreeSpaceEx(strDrive.c_str(), &freeToCaller, &total, &totalFree)) {
        return 0;
    }
    return total.QuadPart;
}

void DriveFormatter::ReportLaunch(const platform::FormatOutcome& outcome) const {
    if (outcome.launch <= kLastErrorResult) {
        m_system.prompt(LaunchErrorMessage(outcome.launch));
    } else if (!outcome.formatted) {
        m_system.prompt(kFormatFailedMessage);
    }
}

std::optional<std::string> RemovableDriveRoot(std::string_view target) {
    const auto letter = platform::RootLetter(target);
    if (!letter) return std::nullopt;
    const auto found = platform::FindDrive(*letter);
    if (!found || !found->removable) return std::nullopt;
    return platform::DriveRootText(*letter);
}

CommandLineFormat FormatForCommandLine(std::string_view target, std::FILE* notes,
                                       std::FILE* messages) {
    auto root = RemovableDriveRoot(target);
    if (!root) {
        std::fprintf(messages,
                     "ostrel-cli: --format needs the root of a removable drive (such as E:\\), "
                     "not '%.*s'; see ostrel-cli drives\n",
                     static_cast<int>(target.size()), target.data());
        return CommandLineFormat::Refused;
    }
    DriveFormatter formatter(SystemFormatter(
        [messages](const std::string& text) { std::fprintf(messages, "%s\n", text.c_str()); }));
    const auto request = formatter.RequestFor(*root, root->c_str());
    std::fprintf(notes, "ostrel-cli write: formatting %s with %s (FAT32 above %llu MB, else FAT)\n",
                 root->c_str(), platform::FileSystemName(request.fileSystem),
                 static_cast<unsigned long long>(kFatLimitMb));
    std::fflush(notes);  // before the format's own messages and its wait
    return formatter.Format(request) ? CommandLineFormat::Formatted
                                     : CommandLineFormat::NotFormatted;
}

}  // namespace drive
