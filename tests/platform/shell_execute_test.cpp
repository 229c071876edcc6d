// ShellExecuteA: launch results, with a handler program of the test's own
// standing in for the desktop's xdg-open.
#include <gtest/gtest.h>
#include <pthread.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>

#include "EnvGuard.h"
#include "platform/ChildProcess.h"
#include "platform/ShellExecute.h"
#include "platform/Win32.h"
#include "support/TempDir.h"

namespace {

// ShellExecuteA's result as the number it stands for.
std::intptr_t Launch(HWND hwnd, LPCSTR operation, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                     int show) {
    return reinterpret_cast<std::intptr_t>(
        ShellExecuteA(hwnd, operation, file, parameters, directory, show));
}

namespace fs = std::filesystem;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

// A bin folder whose xdg-open writes its argument to `record`; it comes
// first on the search path, ahead of the system folders.
fs::path MakeHandler(const TempDir& dir, const fs::path& record) {
    const auto bin = dir / "bin";
    WriteFile(bin / "xdg-open", "#!/bin/sh\nprintf '%s' \"$1\" > '" + record.string() +
                                    ".tmp' && mv '" + record.string() + ".tmp' '" +
                                    record.string() + "'\n");
    fs::permissions(bin / "xdg-open", fs::perms::owner_all);
    return bin;
}

std::string WaitForRecord(const fs::path& record) {
    for (int i = 0; i < 500 && !fs::exists(record); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return fs::exists(record) ? ReadFile(record) : std::string();
}

TEST(ShellExecute, MissingDocumentsAndFolders) {
    TempDir dir;
    EnvGuard drives("OSTREL_DRIVES", "E=" + dir.path().string());
    const std::string manual = dir.path().string() + "\\产品升级说明书.pdf";
    EXPECT_EQ(Launch(nullptr, "open", manual.c_str(), nullptr, nullptr, SW_SHOW), 2);
    EXPECT_EQ(Launch(nullptr, "open", "E:\\nothing.pdf", nullptr, nullptr, SW_SHOW), 2);
    EXPECT_EQ(Launch(nullptr, "open", "E:\\no\\doc.pdf", nullptr, nullptr, SW_SHOW), 3);
    EXPECT_EQ(Launch(nullptr, "open", "Q:\\doc.pdf", nullptr, nullptr, SW_SHOW), 3);
    EXPECT_EQ(Launch(nullptr, "open", nullptr, nullptr, nullptr, SW_SHOW), 2);
}

TEST(ShellExecute, NoHandlerInstalledAnswers31) {
    TempDir dir;
    WriteFile(dir / "doc.pdf", "%PDF");
    fs::create_directories(dir / "emptybin");
    EnvGuard path("PATH", (dir / "emptybin").string());
    EXPECT_EQ(Launch(nullptr, "open", (dir / "doc.pdf").c_str(), nullptr, nullptr, SW_SHOW), 31);
    EXPECT_EQ(Launch(nullptr, nullptr, "https://example.com/", nullptr, nullptr, SW_SHOWMAXIMIZED),
              31);
}

TEST(ShellExecute, DocumentsOpenThroughTheHandlerWithTheirNativePath) {
    TempDir dir;
    WriteFile(dir / "docs" / "产品升级说明书.pdf", "%PDF");
    const auto record = dir / "opened";
    EnvGuard path("PATH", MakeHandler(dir, record).string() + ":/usr/bin:/bin");
    EnvGuard drives("OSTREL_DRIVES", "E=" + (dir / "docs").string());
    EXPECT_GT(Launch(nullptr, "open", "E:\\产品升级说明书.pdf", nullptr, nullptr, SW_SHOW), 32);
    EXPECT_EQ(WaitForRecord(record), (dir / "docs" / "产品升级说明书.pdf").string());
}

TEST(ShellExecute, AddressesGoToTheHandlerUnchanged) {
    TempDir dir;
    const auto record = dir / "opened";
    EnvGuard path("PATH", MakeHandler(dir, record).string() + ":/usr/bin:/bin");
    EXPECT_GT(
        Launch(nullptr, nullptr, "http://www.example.com/", nullptr, nullptr, SW_SHOWMAXIMIZED),
        32);
    EXPECT_EQ(WaitForRecord(record), "http://www.example.com/");
}

TEST(ShellExecute, OnlyTheOpenVerbIsKnown) {
    TempDir dir;
    WriteFile(dir / "doc.pdf", "%PDF");
    EnvGuard path("PATH", MakeHandler(dir, dir / "opened").string());
    EXPECT_EQ(Launch(nullptr, "print", (dir / "doc.pdf").c_str(), nullptr, nullptr, SW_SHOW), 31);
}

TEST(ParseFormatCommand, ReadsLetterAndFileSystemOfEveryRow) {
    constexpr auto kFat = platform::FileSystem::Fat;
    constexpr auto kFat32 = platform::FileSystem::Fat32;
    struct Row {
        const char* program;
        const char* parameters;
        char letter;
        platform::FileSystem fileSystem;
    };
    for (const Row& row : {
             Row{"CMD.EXE", "/C   \"format.com   G:/force/q/y/FS:FAT32\"", 'G', kFat32},
             Row{"CMD.EXE", "/C   \"format.com   E:/force/q/y/FS:FAT\"", 'E', kFat},
             Row{"COMMAND.COM", "/C   \"format.com   F:/autotest/q/u/y/FS:FAT32\"", 'F', kFat32},
             Row{"COMMAND.COM", "/C   \"format.com   H:/autotest/q/u/y/FS:FAT\"", 'H', kFat},
             Row{"cmd.exe", "/c format.com e: /fs:fat32 /q", 'E', kFat32},
             Row{"C:\\WINDOWS\\COMMAND", "/C \"format.com E:/FS:FAT\"", 'E', kFat},
         }) {
        auto request = platform::ParseFormatCommand(row.program, row.parameters);
        ASSERT_TRUE(request) << row.parameters;
        EXPECT_EQ(request->drive, row.letter);
        EXPECT_EQ(request->fileSystem, row.fileSystem);
    }
}

TEST(ParseFormatCommand, RefusesWhatIsNoFatFormatCommand) {
    EXPECT_FALSE(platform::ParseFormatCommand("SH", "/C \"format.com E:/FS:FAT\""));
    EXPECT_FALSE(platform::ParseFormatCommand("CMD.EXE", "/C \"format.com E:/q\""));
    EXPECT_FALSE(platform::ParseFormatCommand("CMD.EXE", "/C \"format.com E:/FS:NTFS\""));
    EXPECT_FALSE(platform::ParseFormatCommand("CMD.EXE", "/C \"format.com E:/FS:FAT16\""));
    EXPECT_FALSE(platform::ParseFormatCommand("CMD.EXE", "/C \"del E:/FS:FAT\""));
    EXPECT_FALSE(platform::ParseFormatCommand("CMD.EXE", "/C \"format.com /FS:FAT\""));
    EXPECT_FALSE(platform::ParseFormatCommand("CMD.EXE", ""));
    // Nothing else is run for the command interpreters.
    EXPECT_EQ(Launch(nullptr, "open", "CMD.EXE", "/C \"del E:/FS:FAT\"", nullptr, SW_HIDE), 2);
}

// The programs block the signals they watch; the programs they start must
// still be ended by them.
TEST(ShellExecute, ChildrenStartWithNoSignalBlocked) {
    sigset_t term;
    sigemptyset(&term);
    sigaddset(&term, SIGTERM);
    sigset_t saved;
    pthread_sigmask(SIG_BLOCK, &term, &saved);
    EXPECT_EQ(platform::RunAndWait({"/bin/sh", "-c", "kill -TERM $$; exit 0"}), std::nullopt);

    TempDir dir;
    const auto record = dir / "blocked";
    WriteFile(dir / "bin" / "xdg-open", "#!/bin/sh\ngrep SigBlk /proc/self/status > '" +
                                            record.string() + ".tmp' && mv '" + record.string() +
                                            ".tmp' '" + record.string() + "'\n");
    fs::permissions(dir / "bin" / "xdg-open", fs::perms::owner_all);
    EnvGuard path("PATH", (dir / "bin").string() + ":/usr/bin:/bin");
    EXPECT_GT(Launch(nullptr, nullptr, "http://www.example.com/", nullptr, nullptr, SW_SHOW), 32);
    EXPECT_EQ(WaitForRecord(record), "SigBlk:\t0000000000000000\n");
    pthread_sigmask(SIG_SETMASK, &saved, nullptr);
}

}  // namespace
