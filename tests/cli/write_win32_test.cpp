// ostrel-cli.exe drives and write as a user runs them, on the removable drive
// that scripts/test-windows gives wine: E:, a folder of the build machine's
// that wine calls a floppy (GetDriveTypeA says removable).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "cli/DriveListing.h"
#include "cli/RunCli.h"
#include "drive/ScopedEnv.h"
#include "platform/Win32.h"
#include "support/PackageMaker.h"
#include "support/Rar4Writer.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using clitest::RunCli;
using testsupport::Rar4Writer;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

const DeviceInfo kInfo = testsupport::MakeDeviceInfo("T512A0001234", "3D00A1B2", "0207");
const std::string kSample = std::string(OSTREL_SOURCE_DIR) + "/samples/T512-sample.rar";
const fs::path kStick = "E:\\";

// Only the E: that scripts/test-windows makes is emptied: it says so in
// OSTREL_WINE_STICKS, never set where E: is a stick of someone's.
bool HasRemovableE() {
    return std::getenv("OSTREL_WINE_STICKS") != nullptr && GetDriveTypeA("E:\\") == DRIVE_REMOVABLE;
}

// E: emptied, with the scratch data of each run in a folder of the test's.
struct StickSetup {
    TempDir dir;
    ScopedEnv tmp{"TMP", (dir / "tmp").string()};

    StickSetup() {
        fs::create_directories(dir / "tmp");
        testsupport::Empty(kStick);
    }
    std::string Package(const std::string& archive, const std::string& name = "update.rar") {
        testsupport::WritePackage(dir / name, archive, kInfo);
        return (dir / name).string();
    }
};

#define REQUIRE_STICK() \
    if (!HasRemovableE()) GTEST_SKIP() << "no test stick E: (scripts/test-windows makes one)"

TEST(WindowsDrives, TheRemovableDriveIsListedWithItsSize) {
    REQUIRE_STICK();
    const auto text = RunCli({"drives"});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_EQ(text.out.find("C:\\  fixed"), 0u) << text.out;
    EXPECT_NE(text.out.find("E:\\  removable  "), std::string::npos) << text.out;
    const auto json = RunCli({"drives", "--json"});
    EXPECT_NE(json.out.find("{\"letter\":\"E\",\"root\":\"E:\\\\\",\"type\":\"removable\""),
              std::string::npos)
        << json.out;
}

TEST(WindowsWrite, TheSampleLandsOnTheStickBesideTheUsersFiles) {
    REQUIRE_STICK();
    StickSetup s;
    WriteFile(kStick / "MINE.TXT", "mine");
    const auto result = RunCli({"write", kSample, "E:\\"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.err.find("升级成功！"), std::string::npos) << result.err;
    clitest::Tree expected = clitest::SampleTree();
    expected["MINE.TXT"] = 4;
    EXPECT_EQ(clitest::TreeOf(kStick), expected);
    EXPECT_TRUE(fs::is_empty(s.dir / "tmp"));
}

// The Linux build's drive, byte for byte, for every shared fixture.
TEST(WindowsWrite, EveryFixtureGivesTheDriveTheLinuxBuildGives) {
    REQUIRE_STICK();
    const fs::path fixtures = testsupport::FixturesDir();
    if (fixtures.empty()) GTEST_SKIP() << "shared fixtures folder absent";
    for (const auto& name : clitest::ListedFixtures()) {
        StickSetup s;
        const std::string package =
            s.Package(testsupport::WithWindowsAttributes(ReadFile(fixtures / "rar" / name)), name);
        const auto result = RunCli({"write", package, "E:\\"});
        EXPECT_EQ(result.status, 0) << name << ": " << result.err;
        EXPECT_EQ(clitest::DriveListing(kStick), clitest::KeptListing(name)) << name;
    }
}

TEST(WindowsWrite, ADamagedPackageFailsAndLeavesTheStickAsItWas) {
    REQUIRE_STICK();
    StickSetup s;
    WriteFile(kStick / "MINE.TXT", "mine");
    testsupport::Rar4Entry bad;
    bad.name = "P\\B.TXT";
    bad.data = "bad";
    bad.badDataCrc = true;
    const auto result =
        RunCli({"write", s.Package(Rar4Writer().Folder("P").File("P\\A.TXT", "a").Add(bad).Bytes()),
                "E:\\"});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("升级失败！"), std::string::npos) << result.err;
    EXPECT_EQ(clitest::TreeOf(kStick), (clitest::Tree{{"MINE.TXT", 4}}));
    EXPECT_TRUE(fs::is_empty(s.dir / "tmp"));
}

// Wine has no format.com: the format the job asks for fails, and the job
// with it, the stick untouched.
TEST(WindowsWrite, AFormatThatDidNotHappenFailsTheJob) {
    REQUIRE_STICK();
    StickSetup s;
    WriteFile(kStick / "MINE.TXT", "mine");
    const auto result = RunCli({"write", "--format", kSample, "E:\\"});
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_NE(result.out.find("formatting E:\\ with "), std::string::npos) << result.out;
    EXPECT_NE(result.err.find("格式化U盘失败！"), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find("升级成功！"), std::string::npos) << result.err;
    EXPECT_EQ(ReadFile(kStick / "MINE.TXT"), "mine");
    EXPECT_EQ(RunCli({"write", "--format", kSample, "C:\\"}).status, 2);
}

}  // namespace
