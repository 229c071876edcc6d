// ostrel-cli write --format: the drive is formatted first, as Start does on
// "是", with the file system its size calls for (said on standard output),
// and only a removable drive root is taken.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "cli/RunCli.h"
#include "drive/ScopedEnv.h"
#include "support/TempDir.h"
#include "support/TmpfsMount.h"

namespace {

namespace fs = std::filesystem;
using clitest::RunCli;
using testsupport::TempDir;
using testsupport::WriteFile;

const std::string kSample = std::string(OSTREL_SOURCE_DIR) + "/samples/T512-sample.rar";

TEST(WriteFormat, OldContentIsGoneAndTheJobRuns) {
    TempDir dir;
    WriteFile(dir / "stick" / "OLD.TXT", "old");
    WriteFile(dir / "stick" / "OLDDIR" / "A.EXE", "a");
    ScopedEnv drives("OSTREL_DRIVES", "E=" + (dir / "stick").string() + ":size=4G");
    const auto result = RunCli({"write", "--format", kSample, "E:\\"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("formatting E:\\ with FAT32"), std::string::npos) << result.out;
    EXPECT_FALSE(fs::exists(dir / "stick" / "OLD.TXT"));
    EXPECT_FALSE(fs::exists(dir / "stick" / "OLDDIR"));
    EXPECT_FALSE(fs::is_empty(dir / "stick"));
    EXPECT_NE(result.err.find("升级成功！"), std::string::npos);
}

TEST(WriteFormat, AFormatThatDidNotHappenFailsTheJob) {
    testsupport::TmpfsMount disk(1 << 20);
    if (!disk.Mounted()) GTEST_SKIP() << disk.Error();
    WriteFile(disk / "OLD.TXT", "old");
    if (!disk.RemountReadOnly()) GTEST_SKIP() << disk.Error();
    ScopedEnv drives("OSTREL_DRIVES", "E=" + disk.path().string());
    const auto result = RunCli({"write", "--format", kSample, "E:\\"});
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_NE(result.out.find("formatting E:\\ with FAT "), std::string::npos) << result.out;
    EXPECT_NE(result.err.find("格式化U盘失败！"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("升级失败！"), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find("升级成功！"), std::string::npos) << result.err;
}

TEST(WriteFormat, AnythingButARemovableDriveRootIsRefused) {
    TempDir dir;
    WriteFile(dir / "stick" / "OLD.TXT", "old");
    ScopedEnv drives("OSTREL_DRIVES", "E=" + (dir / "stick").string());
    EXPECT_EQ(RunCli({"write", "--format", kSample, "C:\\"}).status, 2);  // the system drive
    for (const std::string& target :
         {std::string("E:\\PKG"), (dir / "stick").string(), std::string("Q:\\")}) {
        const auto result = RunCli({"write", "--format", kSample, target});
        EXPECT_EQ(result.status, 2) << target;
        EXPECT_NE(result.err.find("removable drive"), std::string::npos) << result.err;
    }
    EXPECT_TRUE(fs::exists(dir / "stick" / "OLD.TXT"));
}

}  // namespace
