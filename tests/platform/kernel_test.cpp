// Directories, files and pauses.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <string>

#include "EnvGuard.h"
#include "platform/Win32.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

TEST(Directories, CreateAndRemoveAsWindowsDoes) {
    TempDir dir;
    const std::string temp = dir.path().string() + "\\Temp";
    EXPECT_TRUE(CreateDirectoryA(temp.c_str(), nullptr));
    EXPECT_TRUE(fs::is_directory(dir / "Temp"));
    EXPECT_FALSE(CreateDirectoryA(temp.c_str(), nullptr));               // already there
    EXPECT_FALSE(CreateDirectoryA((temp + "\\a\\b").c_str(), nullptr));  // no parent

    WriteFile(dir / "Temp" / "f", "f");
    EXPECT_FALSE(RemoveDirectoryA(temp.c_str()));  // not empty
    EXPECT_TRUE(DeleteFileA((temp + "\\f").c_str()));
    EXPECT_TRUE(RemoveDirectoryA(temp.c_str()));
    EXPECT_FALSE(fs::exists(dir / "Temp"));
    EXPECT_FALSE(RemoveDirectoryA(temp.c_str()));
}

TEST(Directories, UnknownDriveFailsAndTouchesNothing) {
    TempDir dir;
    EnvGuard drives("OSTREL_DRIVES", "");
    const auto cwd = fs::current_path();
    fs::current_path(dir.path());
    errno = 0;
    EXPECT_FALSE(CreateDirectoryA("Q:\\Temp", nullptr));
    EXPECT_EQ(errno, ENOENT);
    EXPECT_FALSE(PathFileExistsA("Q:\\"));
    EXPECT_FALSE(DeleteFileA("Q:\\x"));
    EXPECT_TRUE(fs::is_empty(dir.path()));
    fs::current_path(cwd);
}

// A read-only file is not deleted, as on Windows, so a purge leaves it and
// its folder in place.
TEST(Files, DeleteRefusesReadOnlyFilesAndFolders) {
    TempDir dir;
    WriteFile(dir / "ro.txt", "keep");
    fs::permissions(dir / "ro.txt", fs::perms::owner_read | fs::perms::group_read);
    errno = 0;
    EXPECT_FALSE(DeleteFileA((dir / "ro.txt").c_str()));
    EXPECT_EQ(errno, EACCES);
    EXPECT_EQ(ReadFile(dir / "ro.txt"), "keep");

    fs::create_directories(dir / "sub");
    EXPECT_FALSE(DeleteFileA((dir / "sub").c_str()));
    EXPECT_TRUE(fs::exists(dir / "sub"));
    EXPECT_FALSE(DeleteFileA((dir / "missing").c_str()));
}

TEST(Files, DeleteRemovesALinkNotItsTarget) {
    TempDir dir;
    WriteFile(dir / "target", "t");
    fs::permissions(dir / "target", fs::perms::owner_read);
    fs::create_symlink(dir / "target", dir / "link");
    fs::create_directory_symlink(dir.path(), dir / "dirlink");
    EXPECT_TRUE(DeleteFileA((dir / "link").c_str()));
    EXPECT_TRUE(DeleteFileA((dir / "dirlink").c_str()));
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "link")));
    EXPECT_EQ(ReadFile(dir / "target"), "t");
}

TEST(Files, PathFileExists) {
    TempDir dir;
    WriteFile(dir / "f", "f");
    EnvGuard drives("OSTREL_DRIVES", "E=" + dir.path().string());
    EXPECT_TRUE(PathFileExistsA("E:\\f"));
    EXPECT_TRUE(PathFileExistsA("E:\\"));
    EXPECT_TRUE(PathFileExistsA((dir / "f").c_str()));
    EXPECT_FALSE(PathFileExistsA("E:\\g"));
    EXPECT_FALSE(PathFileExistsA(nullptr));
}

TEST(Pause, SleepWaitsAtLeastTheTimeAsked) {
    const auto start = std::chrono::steady_clock::now();
    Sleep(20);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(20));
}

}  // namespace
