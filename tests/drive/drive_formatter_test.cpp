// The formatter's rule, texts and messages, with the system calls recorded.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "drive/DriveFormatter.h"

namespace {

constexpr std::uint64_t kMb = 1048576;

struct Launch {
    HWND owner;
    std::string verb;
    std::string program;
    std::string parameters;
    bool hasDirectory;
    int show;
};

// Records every call in order; answers with the values a test sets.
struct FakeSystem {
    std::uint64_t totalBytes = 1000 * kMb;
    std::uint64_t freeBytes = 0;
    BOOL capacityAnswered = TRUE;
    DWORD platformId = VER_PLATFORM_WIN32_NT;
    BOOL versionAnswered = TRUE;
    HINSTANCE launchResult = 33;
    BOOL formatted = TRUE;

    std::vector<std::string> events;
    std::vector<std::string> capacityQueries;
    std::vector<DWORD> versionSizes;
    std::vector<Launch> launches;
    std::vector<std::string> prompts;

    drive::FormatterSystem System() {
        drive::FormatterSystem system;
        system.getDiskFreeSpaceEx = [this](LPCSTR root, ULARGE_INTEGER* toCaller,
                                           ULARGE_INTEGER* total, ULARGE_INTEGER* totalFree) {
            events.push_back("capacity");
            capacityQueries.push_back(root);
            toCaller->QuadPart = freeBytes;
            total->QuadPart = totalBytes;
            totalFree->QuadPart = freeBytes;
            return capacityAnswered;
        };
        system.getVersionEx = [this](OSVERSIONINFOA* info) {
            events.push_back("version");
            versionSizes.push_back(info->dwOSVersionInfoSize);
            info->dwPlatformId = platformId;
            return versionAnswered;
        };
        system.shellExecute = [this](HWND owner, LPCSTR verb, LPCSTR file, LPCSTR params,
                                     LPCSTR directory, int show, BOOL* succeeded) {
            events.push_back("launch");
            launches.push_back({owner, verb, file, params, directory != nullptr, show});
            *succeeded = formatted;
            return launchResult;
        };
        system.sleep = [this](DWORD ms) { events.push_back("sleep " + std::to_string(ms)); };
        system.prompt = [this](const std::string& text) {
            events.push_back("prompt");
            prompts.push_back(text);
        };
        return system;
    }

    void Format(const std::string& root = "E:\\") {
        drive::DriveFormatter(System()).FormatDrive(root, root.c_str());
    }
};

struct CommandRow {
    DWORD platformId;
    std::uint64_t totalBytes;
    char letter;
    const char* program;
    const char* parameters;
};

class CommandTable : public testing::TestWithParam<CommandRow> {};

TEST_P(CommandTable, LaunchesTheRowHiddenWithOpenAndNoDirectory) {
    const CommandRow& row = GetParam();
    FakeSystem fake;
    fake.platformId = row.platformId;
    fake.totalBytes = row.totalBytes;
    fake.Format(std::string(1, row.letter) + ":\\");

    ASSERT_EQ(fake.launches.size(), 1u);
    const Launch& launch = fake.launches[0];
    EXPECT_EQ(launch.owner, nullptr);
    EXPECT_EQ(launch.verb, "open");
    EXPECT_EQ(launch.program, row.program);
    EXPECT_EQ(launch.parameters, row.parameters);
    EXPECT_FALSE(launch.hasDirectory);
    EXPECT_EQ(launch.show, 0);
    EXPECT_TRUE(fake.prompts.empty());
}

INSTANTIATE_TEST_SUITE_P(
    FourRows, CommandTable,
    testing::Values(CommandRow{VER_PLATFORM_WIN32_NT, 4096 * kMb, 'G', "CMD.EXE",
                               "/C   \"format.com   G:/force/q/y/FS:FAT32\""},
                    CommandRow{VER_PLATFORM_WIN32_NT, 1000 * kMb, 'E', "CMD.EXE",
                               "/C   \"format.com   E:/force/q/y/FS:FAT\""},
                    CommandRow{VER_PLATFORM_WIN32_WINDOWS, 4096 * kMb, 'F', "COMMAND.COM",
                               "/C   \"format.com   F:/autotest/q/u/y/FS:FAT32\""},
                    CommandRow{VER_PLATFORM_WIN32_WINDOWS, 1000 * kMb, 'H', "COMMAND.COM",
                               "/C   \"format.com   H:/autotest/q/u/y/FS:FAT\""},
                    // Win32s and unknown families take the COMMAND.COM rows.
                    CommandRow{VER_PLATFORM_WIN32s, 1000 * kMb, 'E', "COMMAND.COM",
                               "/C   \"format.com   E:/autotest/q/u/y/FS:FAT\""},
                    CommandRow{7, 4096 * kMb, 'E', "COMMAND.COM",
                               "/C   \"format.com   E:/autotest/q/u/y/FS:FAT32\""}));

std::string FileSystemFor(std::uint64_t totalBytes, std::uint64_t freeBytes = 0) {
    FakeSystem fake;
    fake.totalBytes = totalBytes;
    fake.freeBytes = freeBytes;
    fake.Format();
    const std::string& parameters = fake.launches.at(0).parameters;
    return parameters.substr(parameters.rfind("/FS:") + 4);
}

TEST(FormatDriveSize, FatUpTo2048WholeMegabytesFat32Above) {
    EXPECT_EQ(FileSystemFor(2048 * kMb), "FAT\"");
    EXPECT_EQ(FileSystemFor(2049 * kMb), "FAT32\"");
    EXPECT_EQ(FileSystemFor(2048 * kMb + kMb - 1), "FAT\"");  // the remainder is dropped
    EXPECT_EQ(FileSystemFor(0), "FAT\"");
    EXPECT_EQ(FileSystemFor(UINT64_MAX), "FAT32\"");
}

TEST(FormatDriveSize, FreeSpacePlaysNoPart) {
    EXPECT_EQ(FileSystemFor(8192 * kMb, 0), FileSystemFor(8192 * kMb, 8192 * kMb));
    EXPECT_EQ(FileSystemFor(1024 * kMb, 0), FileSystemFor(1024 * kMb, 1024 * kMb));
    EXPECT_EQ(FileSystemFor(1024 * kMb, 8192 * kMb), "FAT\"");
}

TEST(FormatDriveSize, CapacityOfTheWindowDriveLetterOfTheArgument) {
    FakeSystem fake;
    drive::DriveFormatter(fake.System()).FormatDrive("E:\\", "K:\\");
    EXPECT_EQ(fake.capacityQueries, std::vector<std::string>{"E:\\"});
    EXPECT_EQ(fake.launches.at(0).parameters, "/C   \"format.com   K:/force/q/y/FS:FAT\"");
}

TEST(FormatDriveSize, UnansweredCapacityQueryGivesFat) {
    FakeSystem fake;
    fake.totalBytes = 64000 * kMb;  // whatever the failed call left behind
    fake.capacityAnswered = FALSE;
    fake.Format();
    EXPECT_EQ(fake.launches.at(0).parameters, "/C   \"format.com   E:/force/q/y/FS:FAT\"");
}

TEST(IsNtPlatform, OnlyTheNtFamilyAndAnUnansweredQuery) {
    FakeSystem fake;
    drive::DriveFormatter formatter(fake.System());
    fake.platformId = VER_PLATFORM_WIN32_NT;
    EXPECT_TRUE(formatter.IsNtPlatform());
    fake.platformId = VER_PLATFORM_WIN32_WINDOWS;
    EXPECT_FALSE(formatter.IsNtPlatform());
    fake.platformId = VER_PLATFORM_WIN32s;
    EXPECT_FALSE(formatter.IsNtPlatform());
    fake.versionAnswered = FALSE;
    EXPECT_TRUE(formatter.IsNtPlatform());
    EXPECT_EQ(fake.versionSizes, std::vector<DWORD>(4, 148));
}

std::vector<std::string> PromptsFor(HINSTANCE result, BOOL formatted = FALSE) {
    FakeSystem fake;
    fake.launchResult = result;
    fake.formatted = formatted;
    fake.Format();
    return fake.prompts;
}

TEST(FormatDriveLaunch, ResultsAndTheirPrompts) {
    using Prompts = std::vector<std::string>;
    EXPECT_EQ(PromptsFor(33, TRUE), Prompts{});
    EXPECT_EQ(PromptsFor(2), Prompts{"文件名错误"});
    EXPECT_EQ(PromptsFor(5), Prompts{"打开错误:5"});
    EXPECT_EQ(PromptsFor(32), Prompts{"打开错误:32"});
    EXPECT_EQ(PromptsFor(0), Prompts{"内存不足"});
    EXPECT_EQ(PromptsFor(3), Prompts{"路径名错误"});
    EXPECT_EQ(PromptsFor(31), Prompts{"没有相关联的应用程序"});
    EXPECT_EQ(PromptsFor(-1), Prompts{"打开错误:-1"});
}

TEST(FormatDriveLaunch, ErrorTableTexts) {
    EXPECT_EQ(drive::LaunchErrorMessage(11), "EXE文件无效");
    EXPECT_EQ(drive::LaunchErrorMessage(26), "发生共享错误");
    EXPECT_EQ(drive::LaunchErrorMessage(27), "文件名不完全或无效");
    EXPECT_EQ(drive::LaunchErrorMessage(28), "超时");
    EXPECT_EQ(drive::LaunchErrorMessage(29), "DDE 事务失败");
    EXPECT_EQ(drive::LaunchErrorMessage(30), "DDE 事务失败2");
    EXPECT_EQ(drive::LaunchErrorMessage(1), "打开错误:1");
    EXPECT_EQ(drive::LaunchErrorMessage(12), "打开错误:12");
}

TEST(FormatDriveLaunch, FormatThatRanButFailedIsReported) {
    EXPECT_EQ(PromptsFor(33, FALSE), std::vector<std::string>{"格式化U盘失败！"});
    EXPECT_EQ(PromptsFor(1234, FALSE), std::vector<std::string>{"格式化U盘失败！"});
}

TEST(FormatDriveLaunch, PauseFollowsEveryAttemptBeforeAnyPrompt) {
    using Events = std::vector<std::string>;
    for (HINSTANCE result : {33, 2, 5, 32}) {
        for (BOOL formatted : {TRUE, FALSE}) {
            FakeSystem fake;
            fake.launchResult = result;
            fake.formatted = formatted;
            fake.Format();
            bool quiet = result > 32 && formatted;
            Events expected{"capacity", "version", "launch", "sleep 2000"};
            if (!quiet) expected.push_back("prompt");
            EXPECT_EQ(fake.events, expected) << "result " << result << " formatted " << formatted;
        }
    }
}

}  // namespace
