// ostrel-cli descramble and encode, run as a user runs them.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli/RunCli.h"
#include "support/PackageMaker.h"
#include "support/TempDir.h"

namespace {

using clitest::RunCli;
using testsupport::MakeDeviceInfo;
using testsupport::RandomBytes;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

const DeviceInfo kInfo = MakeDeviceInfo("T512A0001234", "3D00A1B2", "0207");
constexpr const char* kInfoHex =
    "00000000000000000000000000000000"  // bytes 0 to 15
    "543531324130303031323334"          // serial T512A0001234
    "3344303041314232"                  // sd 3D00A1B2
    "30323037"                          // version 0207
    "00000000";                         // bytes 40 to 43

TEST(DescrambleCommandTest, WritesTheArchiveAndPrintsTheIdentity) {
    TempDir dir;
    const std::string archive = RandomBytes(5000, 1);
    testsupport::WritePackage(dir / "update.rar", archive, kInfo);

    const auto text =
        RunCli({"descramble", (dir / "update.rar").string(), (dir / "a.rar").string()});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_EQ(ReadFile(dir / "a.rar"), archive);
    EXPECT_NE(text.out.find("serial:      T512A0001234\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("sd:          3D00A1B2\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("version:     0207\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find(std::string("device_info: ") + kInfoHex + "\n"), std::string::npos)
        << text.out;

    const auto json =
        RunCli({"descramble", "--json", (dir / "update.rar").string(), (dir / "b.rar").string()});
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_EQ(json.out,
              std::string(R"({"serial":"T512A0001234","sd":"3D00A1B2","version":"0207",)") +
                  R"("device_info":")" + kInfoHex + "\"}\n");
    EXPECT_EQ(ReadFile(dir / "b.rar"), archive);
}

TEST(DescrambleCommandTest, JsonEscapesWhatTheKeyBlockHolds) {
    TempDir dir;
    const DeviceInfo odd = MakeDeviceInfo("a\"b\\c\n\x01\xFF", "", "");
    testsupport::WritePackage(dir / "p.rar", "", odd);
    const auto json =
        RunCli({"descramble", (dir / "p.rar").string(), (dir / "o").string(), "--json"});
    ASSERT_EQ(json.status, 0) << json.err;
    const std::string start = std::string(R"({"serial":"a\"b\\c\n\u0001)") + "\xEF\xBF\xBD" +
                              R"(\u0000\u0000\u0000\u0000",)";
    EXPECT_EQ(json.out.substr(0, start.size()), start);
}

TEST(DescrambleCommandTest, ClearErrorsAndUsage) {
    TempDir dir;
    testsupport::WritePackage(dir / "p.rar", RandomBytes(3000, 2), kInfo);
    const std::string package = ReadFile(dir / "p.rar");

    const auto missing = RunCli({"descramble", (dir / "none.rar").string(), (dir / "o").string()});
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.err,
              "ostrel-cli descramble: " + (dir / "none.rar").string() + ": no such file\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "o"));

    const auto unwritable =
        RunCli({"descramble", (dir / "p.rar").string(), (dir / "p.rar" / "o").string()});
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_NE(unwritable.err.find("Not a directory"), std::string::npos) << unwritable.err;

    const auto onItself =
        RunCli({"descramble", (dir / "p.rar").string(), (dir / "p.rar").string()});
    EXPECT_EQ(onItself.status, 1);
    EXPECT_EQ(ReadFile(dir / "p.rar"), package);

    EXPECT_EQ(RunCli({"descramble", (dir / "p.rar").string()}).status, 2);
    EXPECT_EQ(RunCli({"descramble", "a", "b", "c"}).status, 2);
    EXPECT_EQ(RunCli({"descramble", "a", "b", "--xml"}).status, 2);
    EXPECT_TRUE(std::filesystem::exists(dir / "p.rar"));
}

TEST(EncodeCommandTest, WritesTheImageBesideTheEptAndPrintsItsPath) {
    TempDir dir;
    const std::string ept = RandomBytes(70000, 3);
    WriteFile(dir / "v1.0" / "boot.ept", ept);
    const auto result = RunCli({"encode", (dir / "v1.0" / "boot.ept").string(), kInfoHex});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, (dir / "v1.0" / "boot.EXE").string() + "\n");
    const std::string image = ReadFile(dir / "v1.0" / "boot.EXE");
    EXPECT_EQ(image.size(), ept.size() + 1);
    EXPECT_EQ(image.substr(0, 12), "QUARVEL ARMF");
    EXPECT_EQ(static_cast<std::uint8_t>(image[256]), static_cast<std::uint8_t>(~'T'));
    EXPECT_EQ(static_cast<std::uint8_t>(image[340]), 0xC2);  // ~0x3D
    EXPECT_EQ(ReadFile(dir / "v1.0" / "boot.ept"), ept);
}

TEST(EncodeCommandTest, ClearErrorsAndUsage) {
    TempDir dir;
    const auto missing = RunCli({"encode", (dir / "none.EPT").string(), kInfoHex});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("No such file or directory"), std::string::npos) << missing.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "none.EXE"));

    WriteFile(dir / "a.EPT", "data");
    std::filesystem::create_directory(dir / "a.EXE");
    const auto blocked = RunCli({"encode", (dir / "a.EPT").string(), kInfoHex});
    EXPECT_EQ(blocked.status, 1);
    EXPECT_NE(blocked.err.find("Is a directory"), std::string::npos) << blocked.err;
    EXPECT_EQ(ReadFile(dir / "a.EPT"), "data");

    const std::string ept = (dir / "a.EPT").string();
    const std::string info = kInfoHex;
    const std::vector<std::string> malformed{"", "00", info + "00", info.substr(1),
                                             "zz" + info.substr(2)};
    for (const auto& hex : malformed) {
        EXPECT_EQ(RunCli({"encode", ept, hex}).status, 2) << hex;
    }
    EXPECT_EQ(RunCli({"encode", (dir / "a.EXE").string(), kInfoHex}).status, 2);
    EXPECT_EQ(RunCli({"encode", ept}).status, 2);
    EXPECT_EQ(ReadFile(dir / "a.EPT"), "data");
}

}  // namespace
