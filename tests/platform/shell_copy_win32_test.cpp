// The copy onto the drive on Windows.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/ShellCopy.h"
#include "support/TempDir.h"
#include "support/TmpfsMount.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

// A file that would replace one on a full stick leaves the old one whole,
// and nothing of the cut-off copy stays beside it.
TEST(ShellCopyWin32, AFailedReplacementOnAFullDriveKeepsTheOldFile) {
    testsupport::TmpfsMount stick(1 << 20);
    if (!stick.Mounted()) GTEST_SKIP() << stick.Error();
    TempDir dir;
    WriteFile(dir / "BOOT.EXE", std::string(1000 * 1024, 'n'));
    WriteFile(stick / "BOOT.EXE", std::string(100 * 1024, 'o'));
    EXPECT_NE(platform::CopyIntoFolder((dir / "BOOT.EXE").string(),
                                       platform::CopyDestination(stick.path().string())),
              0);
    EXPECT_EQ(ReadFile(stick / "BOOT.EXE"), std::string(100 * 1024, 'o'));
    EXPECT_EQ(std::distance(fs::directory_iterator(stick.path()), fs::directory_iterator()), 1);
}

// What a copy cut short by a pulled stick left beside a file goes with the
// next copy of that file.
TEST(ShellCopyWin32, TheNextCopyTakesOverAnInterruptedCopysFile) {
    TempDir dir;
    WriteFile(dir / "src" / "BOOT.EXE", "new image");
    WriteFile(dir / "drive" / ".BOOT.EXE.part", "cut off");
    EXPECT_EQ(platform::CopyIntoFolder((dir / "src" / "BOOT.EXE").string(),
                                       platform::CopyDestination((dir / "drive").string())),
              0);
    EXPECT_EQ(ReadFile(dir / "drive" / "BOOT.EXE"), "new image");
    EXPECT_FALSE(fs::exists(dir / "drive" / ".BOOT.EXE.part"));
}

}  // namespace
