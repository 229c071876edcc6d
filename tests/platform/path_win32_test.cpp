#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "platform/Drives.h"
#include "platform/Path.h"
#include "platform/Win32.h"

namespace {

// A letter that names no drive on this machine, if any is left.
char UnusedLetter() {
    const DWORD used = GetLogicalDrives();
    for (char letter = 'Z'; letter > 'C'; --letter) {
        if (!(used & (1u << (letter - 'A')))) return letter;
    }
    return 0;
}

TEST(PathMapping, DrivePathsAreNativeAndUnknownLettersFail) {
    EXPECT_EQ(platform::ToNativePath("C:\\Temp\\a.bin")->wstring(), L"C:\\Temp\\a.bin");
    EXPECT_EQ(platform::ToDrivePath(std::filesystem::path(L"C:/Temp/x/../a.bin")),
              "C:\\Temp\\a.bin");
    const char letter = UnusedLetter();
    if (letter == 0) GTEST_SKIP() << "every drive letter is taken";
    errno = 0;
    EXPECT_FALSE(platform::ToNativePath(std::string(1, letter) + ":\\PKG\\A.EXE"));
    EXPECT_EQ(errno, ENOENT);
}

TEST(PathMapping, ModulePathIsTheModuleFileName) {
    char buffer[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameA(nullptr, buffer, MAX_PATH), 3u);
    EXPECT_EQ(platform::ToNativePath(buffer), platform::ModulePath());
    EXPECT_EQ(platform::ProgramFolder() + "\\platform_tests.exe", buffer);
}

// The system's letters, C: first and fixed, each with its size.
TEST(DriveTable, IsTheSystemsOwn) {
    const auto drives = platform::Drives();
    ASSERT_FALSE(drives.empty());
    EXPECT_EQ(drives.front().letter, 'C');
    EXPECT_FALSE(drives.front().removable);
    const auto c = platform::FindDrive('c');
    ASSERT_TRUE(c);
    EXPECT_EQ(c->root.wstring(), L"C:\\");
    EXPECT_GT(platform::TotalBytes(*c).value_or(0), 0u);
    const char unused = UnusedLetter();
    if (unused != 0) {
        EXPECT_FALSE(platform::FindDrive(unused));
    }
}

}  // namespace
