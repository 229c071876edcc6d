#include "platform/Path.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "EnvGuard.h"
#include "platform/Win32.h"
#include "support/TempDir.h"

namespace {

using testsupport::TempDir;

TEST(PathMapping, DriveCIsTheRootAndSeparatorsMix) {
    EnvGuard drives("OSTREL_DRIVES", "");
    EXPECT_EQ(platform::ToNativePath("C:\\opt\\ostrel/Temp")->string(), "/opt/ostrel/Temp");
    EXPECT_EQ(platform::ToNativePath("c:\\")->string(), "/");
    EXPECT_EQ(platform::ToNativePath("C:\\..\\..\\etc")->string(), "/etc");
    EXPECT_EQ(platform::ToDrivePath("/opt/ostrel/Ostrel"), "C:\\opt\\ostrel\\Ostrel");
    EXPECT_EQ(platform::ToDrivePath("/"), "C:\\");
}

TEST(PathMapping, ModulePathAnswersInDriveForm) {
    char buffer[MAX_PATH] = {};
    DWORD n = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    ASSERT_GT(n, 3u);
    EXPECT_EQ(std::string(buffer, 3), "C:\\");
    EXPECT_EQ(std::string(buffer).find('/'), std::string::npos);
    EXPECT_EQ(platform::ToNativePath(buffer), platform::ModulePath());
}

TEST(PathMapping, DeclaredDrivesMapBothWays) {
    TempDir dir;
    const auto stick = dir / "usb 1";  // a blank in the folder name
    const auto other = dir / "usb10";
    std::filesystem::create_directories(stick);
    std::filesystem::create_directories(other);
    EnvGuard drives("OSTREL_DRIVES", "E=" + stick.string() + ";g=" + other.string());

    EXPECT_EQ(*platform::ToNativePath("E:\\PKG\\A.EXE"), stick / "PKG" / "A.EXE");
    EXPECT_EQ(*platform::ToNativePath("e:/pkg\\b c/升级.txt"), stick / "pkg" / "b c" / "升级.txt");
    EXPECT_EQ(*platform::ToNativePath("E:\\"), stick);
    EXPECT_EQ(*platform::ToNativePath("E:"), stick);
    EXPECT_EQ(*platform::ToNativePath("G:\\x"), other / "x");

    EXPECT_EQ(platform::ToDrivePath(stick / "PKG" / "A.EXE"), "E:\\PKG\\A.EXE");
    EXPECT_EQ(platform::ToDrivePath(stick), "E:\\");
    EXPECT_EQ(platform::ToDrivePath(stick / "b c" / "升级.txt"), "E:\\b c\\升级.txt");
    EXPECT_EQ(platform::ToDrivePath(other / "y"), "G:\\y");
    for (const char* path : {"E:\\PKG\\A.EXE", "G:\\a\\b", "C:\\usr\\bin"}) {
        EXPECT_EQ(platform::ToDrivePath(*platform::ToNativePath(path)), path);
    }
}

TEST(PathMapping, NothingClimbsAboveADriveRoot) {
    TempDir dir;
    EnvGuard drives("OSTREL_DRIVES", "E=" + dir.path().string());
    EXPECT_EQ(*platform::ToNativePath("E:\\..\\..\\etc\\passwd"), dir / "etc" / "passwd");
    EXPECT_EQ(*platform::ToNativePath("E:\\a\\..\\..\\b"), dir / "b");
    EXPECT_EQ(*platform::ToNativePath("E:\\.\\a\\.\\b\\"), dir / "a" / "b");
}

// A sibling folder whose name merely starts like a drive's folder is not on
// that drive.
TEST(PathMapping, DriveRootsMatchWholeNames) {
    TempDir dir;
    std::filesystem::create_directories(dir / "usb1");
    std::filesystem::create_directories(dir / "usb10");
    EnvGuard drives("OSTREL_DRIVES", "E=" + (dir / "usb1").string());
    std::string expected = "C:" + (dir / "usb10" / "f").string();
    for (char& c : expected) {
        if (c == '/') c = '\\';
    }
    EXPECT_EQ(platform::ToDrivePath(dir / "usb10" / "f"), expected);
}

TEST(PathMapping, UnknownDriveFailsWithFileNotFound) {
    EnvGuard drives("OSTREL_DRIVES", "");
    errno = 0;
    EXPECT_FALSE(platform::ToNativePath("F:\\PKG\\A.EXE"));
    EXPECT_EQ(errno, ENOENT);
    errno = 0;
    EXPECT_FALSE(platform::NativeArgument(nullptr));
    EXPECT_EQ(errno, EINVAL);
}

}  // namespace
