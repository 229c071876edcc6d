// ostrel-cli drives, run as a user runs it.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "cli/RunCli.h"
#include "support/TempDir.h"

namespace {

using clitest::RunCli;
using testsupport::TempDir;

// The child inherits the environment; the old value comes back afterwards.
class DrivesEnv {
public:
    explicit DrivesEnv(const std::string& value) {
        if (const char* old = getenv("OSTREL_DRIVES")) m_old = old;
        m_had = getenv("OSTREL_DRIVES") != nullptr;
        setenv("OSTREL_DRIVES", value.c_str(), 1);
    }
    ~DrivesEnv() {
        if (m_had) {
            setenv("OSTREL_DRIVES", m_old.c_str(), 1);
        } else {
            unsetenv("OSTREL_DRIVES");
        }
    }

private:
    std::string m_old;
    bool m_had = false;
};

TEST(DrivesCommandTest, ShowsAFolderBackedDriveAsRemovableWithItsSize) {
    TempDir dir;
    std::filesystem::create_directories(dir / "usb 1");
    DrivesEnv env("E=" + (dir / "usb 1").string() + ":size=4G");
    const auto text = RunCli({"drives"});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_EQ(text.out.find("C:\\  fixed"), 0u) << text.out;
    EXPECT_NE(text.out.find("E:\\  removable  4294967296 bytes (4.0 GiB)"), std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find("folder " + (dir / "usb 1").string() + "\n"), std::string::npos)
        << text.out;
    EXPECT_TRUE(text.err.empty()) << text.err;

    const auto json = RunCli({"drives", "--json"});
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_NE(json.out.find("{\"letter\":\"E\",\"root\":\"E:\\\\\",\"type\":\"removable\","
                            "\"total_bytes\":4294967296,\"folder_backed\":true,"
                            "\"device\":\"\",\"folder\":\"" +
                            (dir / "usb 1").string() + "\"}]\n"),
              std::string::npos)
        << json.out;
    EXPECT_EQ(json.out.front(), '[');
}

TEST(DrivesCommandTest, ReportsBadDeclarationsAndMissingSticks) {
    TempDir dir;
    DrivesEnv env("E=" + (dir / "missing").string());
    const auto text = RunCli({"drives"});
    ASSERT_EQ(text.status, 0);
    EXPECT_EQ(text.out.find("E:\\"), std::string::npos) << text.out;
    EXPECT_NE(text.err.find("OSTREL_DRIVES"), std::string::npos) << text.err;
    EXPECT_NE(text.err.find("no removable drive"), std::string::npos) << text.err;
}

TEST(DrivesCommandTest, RejectsUnknownArguments) {
    const auto text = RunCli({"drives", "--all"});
    EXPECT_EQ(text.status, 2);
    EXPECT_NE(text.err.find("usage: ostrel-cli drives [--json]"), std::string::npos) << text.err;
}

}  // namespace
