// The formatter's rule, texts and messages, with the system calls recorded.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "drive/DriveFormatter.h"

using platform::FileSystem;

namespace {

constexpr std::uint64_t kMb = 1048576;

// Records every call in order; answers with the values a test sets.
struct FakeSystem {
    std::uint64_t totalBytes = 1000 * kMb;
    std::uint64_t freeBytes = 0;
    BOOL capacityAnswered = TRUE;
    int launchResult = 33;
    bool formatted = true;

    std::vector<std::string> events;
    std::vector<std::string> capacityQueries;
    std::vector<platform::FormatRequest> requests;
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
        system.format = [this](const platform::FormatRequest& request) {
            events.push_back("format");
            requests.push_back(request);
            return platform::FormatOutcome{launchResult, formatted};
        };
        system.sleep = [this](DWORD ms) { events.push_back("sleep " + std::to_string(ms)); };
        system.prompt = [this](const std::string& text) {
            events.push_back("prompt");
            prompts.push_back(text);
        };
        return system;
    }

    bool Format(const std::string& root = "E:\\") {
        return drive::DriveFormatter(System()).FormatDrive(root, root.c_str());
    }
};

FileSystem FileSystemFor(std::uint64_t totalBytes, std::uint64_t freeBytes = 0) {
    FakeSystem fake;
    fake.totalBytes = totalBytes;
    fake.freeBytes = freeBytes;
    fake.Format();
    return fake.requests.at(0).fileSystem;
}

TEST(FormatDriveSize, FatUpTo2048WholeMegabytesFat32Above) {
    EXPECT_EQ(FileSystemFor(2048 * kMb), FileSystem::Fat);
    EXPECT_EQ(FileSystemFor(2049 * kMb), FileSystem::Fat32);
    EXPECT_EQ(FileSystemFor(2048 * kMb + kMb - 1), FileSystem::Fat);  // the remainder is dropped
    EXPECT_EQ(FileSystemFor(0), FileSystem::Fat);
    EXPECT_EQ(FileSystemFor(UINT64_MAX), FileSystem::Fat32);
}

TEST(FormatDriveSize, FreeSpacePlaysNoPart) {
    EXPECT_EQ(FileSystemFor(8192 * kMb, 0), FileSystemFor(8192 * kMb, 8192 * kMb));
    EXPECT_EQ(FileSystemFor(1024 * kMb, 0), FileSystemFor(1024 * kMb, 1024 * kMb));
    EXPECT_EQ(FileSystemFor(1024 * kMb, 8192 * kMb), FileSystem::Fat);
}

TEST(FormatDriveSize, CapacityOfTheWindowDriveLetterOfTheArgument) {
    FakeSystem fake;
    drive::DriveFormatter(fake.System()).FormatDrive("E:\\", "k:\\");
    EXPECT_EQ(fake.capacityQueries, std::vector<std::string>{"E:\\"});
    ASSERT_EQ(fake.requests.size(), 1u);
    EXPECT_EQ(fake.requests[0].drive, 'K');
    EXPECT_EQ(fake.requests[0].fileSystem, FileSystem::Fat);
}

TEST(FormatDriveSize, UnansweredCapacityQueryGivesFat) {
    FakeSystem fake;
    fake.totalBytes = 64000 * kMb;  // whatever the failed call left behind
    fake.capacityAnswered = FALSE;
    fake.Format();
    EXPECT_EQ(fake.requests.at(0).fileSystem, FileSystem::Fat);
}

std::vector<std::string> PromptsFor(int result, bool formatted = false) {
    FakeSystem fake;
    fake.launchResult = result;
    fake.formatted = formatted;
    fake.Format();
    return fake.prompts;
}

TEST(FormatDriveLaunch, ResultsAndTheirPrompts) {
    using Prompts = std::vector<std::string>;
    EXPECT_EQ(PromptsFor(33, true), Prompts{});
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
    EXPECT_EQ(PromptsFor(33, false), std::vector<std::string>{"格式化U盘失败！"});
    EXPECT_EQ(PromptsFor(1234, false), std::vector<std::string>{"格式化U盘失败！"});
}

TEST(FormatDriveLaunch, PauseFollowsEveryAttemptBeforeAnyPrompt) {
    using Events = std::vector<std::string>;
    for (int result : {33, 2, 5, 32}) {
        for (bool formatted : {true, false}) {
            FakeSystem fake;
            fake.launchResult = result;
            fake.formatted = formatted;
            const bool done = fake.Format();
            bool quiet = result > 32 && formatted;
            EXPECT_EQ(done, quiet) << "only a format without a prompt counts as done";
            Events expected{"capacity", "format", "sleep 2000"};
            if (!quiet) expected.push_back("prompt");
            EXPECT_EQ(fake.events, expected) << "result " << result << " formatted " << formatted;
        }
    }
}

}  // namespace
