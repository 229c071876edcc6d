#include <gtest/gtest.h>

#include <string>

#include "platform/Path.h"
#include "platform/Win32.h"

TEST(PathMapping, DriveCIsTheRootAndSeparatorsMix) {
    EXPECT_EQ(platform::ToNativePath("C:\\opt\\ostrel/Temp")->string(), "/opt/ostrel/Temp");
    EXPECT_EQ(platform::ToNativePath("c:\\")->string(), "/");
    EXPECT_EQ(platform::ToNativePath("C:\\..\\..\\etc")->string(), "/etc");
    EXPECT_EQ(platform::ToDrivePath("/opt/ostrel/Ostrel"), "C:\\opt\\ostrel\\Ostrel");
}

TEST(PathMapping, ModulePathAnswersInDriveForm) {
    char buffer[MAX_PATH] = {};
    DWORD n = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    ASSERT_GT(n, 3u);
    EXPECT_EQ(std::string(buffer, 3), "C:\\");
    EXPECT_EQ(std::string(buffer).find('/'), std::string::npos);
}
