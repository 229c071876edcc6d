// ostrel-cli --help, COMMAND --help and --version, as a new user asks them.
#include <gtest/gtest.h>

#include <string>

#include "cli/RunCli.h"

namespace {

using clitest::RunCli;

TEST(HelpTest, HelpNamesEveryCommandTheTargetsTheEnvironmentAndTheExitCodes) {
    const auto help = RunCli({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* expected :
         {"drives [--json]", "info PACKAGE [--json]", "write [--format] PACKAGE TARGET",
          "descramble PACKAGE OUT [--json]", "encode EPT DEVICE_INFO_HEX", "TARGET is",
          "exit status:", "128+N"}) {
        EXPECT_NE(help.out.find(expected), std::string::npos) << expected << "\n" << help.out;
    }
    // Only POSIX declares drives; Windows' list is the system's.
#ifdef _WIN32
    EXPECT_EQ(help.out.find("OSTREL_DRIVES"), std::string::npos) << help.out;
#else
    EXPECT_NE(help.out.find("OSTREL_DRIVES  replaces"), std::string::npos) << help.out;
    EXPECT_NE(help.out.find("K, M, G or T"), std::string::npos) << help.out;
#endif
    // Without a command the usage goes to standard error, as a mistake.
    const auto bare = RunCli({});
    EXPECT_EQ(bare.status, 2);
    EXPECT_NE(bare.err.find("usage: ostrel-cli COMMAND"), std::string::npos);
}

TEST(HelpTest, EveryCommandExplainsItselfWithoutRunning) {
    for (const std::string command : {"drives", "info", "write", "descramble", "encode"}) {
        const auto help = RunCli({command, "--help"});
        EXPECT_EQ(help.status, 0) << command;
        EXPECT_EQ(help.out.rfind("usage: ostrel-cli " + command + " ", 0), 0u) << help.out;
        EXPECT_NE(help.out.find("Exit status:"), std::string::npos) << help.out;
        EXPECT_TRUE(help.err.empty()) << help.err;
    }
    // Asked anywhere among the arguments, help wins over running.
    EXPECT_EQ(RunCli({"write", "a.rar", "E:\\", "-h"}).status, 0);
}

TEST(HelpTest, VersionIsTheProgramsVersion) {
    const auto version = RunCli({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "ostrel-cli 1.0.0.2\n");
}

}  // namespace
