// ostrel-cli info: what a package carries and whether the job would take it.
#include <gtest/gtest.h>

#include <string>

#include "cli/RunCli.h"
#include "support/PackageMaker.h"
#include "support/Rar4Writer.h"
#include "support/TempDir.h"

namespace {

using clitest::RunCli;
using testsupport::Rar4Writer;

const DeviceInfo kInfo = testsupport::MakeDeviceInfo("T512A0001234", "3D00A1B2", "0207");

std::string Package(const testsupport::TempDir& dir, const std::string& archive) {
    testsupport::WritePackage(dir / "p.rar", archive, kInfo);
    return (dir / "p.rar").string();
}

TEST(InfoCommand, JsonListsIdentityEntriesCountAndAcceptance) {
    testsupport::TempDir dir;
    const auto result = RunCli({"info",
                                Package(dir, Rar4Writer()
                                                 .Folder("PKG")
                                                 .File("PKG\\A.ept", "123")
                                                 .File("PKG\\B.EPT", "4", 0x21)
                                                 .File("PKG\\\xcb\xb5\xc3\xf7.TXT", "56")
                                                 .Bytes()),
                                "--json"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(
        result.out,
        "{\"serial\":\"T512A0001234\",\"sd\":\"3D00A1B2\",\"version\":\"0207\","
        "\"device_info\":\"0000000000000000000000000000000054353132413030303132333433443030"
        "4131423230323037"
        "00000000\",\"entries\":["
        "{\"name\":\"PKG\",\"size\":0,\"attr\":16,\"counted\":false,\"encoded\":false},"
        "{\"name\":\"PKG/A.ept\",\"size\":3,\"attr\":32,\"counted\":true,\"encoded\":true},"
        "{\"name\":\"PKG/B.EPT\",\"size\":1,\"attr\":33,\"counted\":false,\"encoded\":false},"
        "{\"name\":\"PKG/说明.TXT\",\"size\":2,\"attr\":32,\"counted\":true,\"encoded\":false}"
        "],\"count\":2,\"accepted\":true}\n");
}

TEST(InfoCommand, RejectedPackageSaysSoAndExitsOne) {
    testsupport::TempDir dir;
    const auto result =
        RunCli({"info", Package(dir, Rar4Writer().File("A.EPT", "x", 0x80).Bytes())});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.out.find("serial:      T512A0001234\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("  no      no                 1  0x0080  A.EPT\n"), std::string::npos)
        << result.out;
    EXPECT_NE(result.out.find("count:       0\naccepted:    no\nreason:      no entry with the "
                              "attribute word 0x20"),
              std::string::npos)
        << result.out;
}

// Each way a package is refused names itself: not an archive, damaged at an entry.
TEST(InfoCommand, RejectionsSayWhy) {
    testsupport::TempDir dir;
    const auto notArchive = RunCli({"info", Package(dir, std::string(600, 'x'))});
    EXPECT_EQ(notArchive.status, 1);
    EXPECT_NE(notArchive.out.find("reason:      not a RAR archive after descrambling"),
              std::string::npos)
        << notArchive.out;

    const std::string whole = Rar4Writer().File("A.TXT", "a").File("B.TXT", "bb").Bytes();
    const auto damaged =
        RunCli({"info", Package(dir, whole.substr(0, whole.size() - 12)), "--json"});
    EXPECT_EQ(damaged.status, 1);
    EXPECT_NE(damaged.out.find("\"accepted\":false,\"reason\":\"damaged after entry 2"),
              std::string::npos)
        << damaged.out;
}

TEST(InfoCommand, UnreadablePackageAndBadUsage) {
    testsupport::TempDir dir;
    const auto missing = RunCli({"info", (dir / "none.rar").string()});
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.err, "ostrel-cli info: " + (dir / "none.rar").string() + ": no such file\n");
    const auto folder = RunCli({"info", dir.path().string()});
    EXPECT_EQ(folder.status, 2);
    EXPECT_NE(folder.err.find("a folder, not a package"), std::string::npos) << folder.err;
    EXPECT_EQ(RunCli({"info"}).status, 2);
    EXPECT_EQ(RunCli({"info", "a", "b"}).status, 2);
    EXPECT_EQ(RunCli({"info", "--xml", "a"}).status, 2);
}

}  // namespace
