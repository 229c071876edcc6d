// The copy onto the drive on Windows, on the drives scripts/test-windows
// gives wine: F:, a 1 MiB tmpfs that a large file fills.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/ShellCopy.h"
#include "platform/Win32.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

const fs::path kSmall = "F:\\";

// A file that would replace one on a full stick leaves the old one whole,
// and nothing of the cut-off copy stays beside it.
TEST(ShellCopyWin32, AFailedReplacementOnAFullDriveKeepsTheOldFile) {
    if (GetDriveTypeA("F:\\") != DRIVE_REMOVABLE) {
        GTEST_SKIP() << "no small removable F: (scripts/test-windows mounts one where it may)";
    }
    testsupport::Empty(kSmall);
    TempDir dir;
    WriteFile(dir / "BOOT.EXE", std::string(1000 * 1024, 'n'));
    WriteFile(kSmall / "BOOT.EXE", std::string(100 * 1024, 'o'));
    EXPECT_NE(platform::CopyIntoFolder((dir / "BOOT.EXE").string(), "F:\\"), 0);
    EXPECT_EQ(ReadFile(kSmall / "BOOT.EXE"), std::string(100 * 1024, 'o'));
    EXPECT_EQ(std::distance(fs::directory_iterator(kSmall), fs::directory_iterator()), 1);
    fs::remove(kSmall / "BOOT.EXE");
}

// What a copy cut short by a pulled stick left beside a file goes with the
// next copy of that file.
TEST(ShellCopyWin32, TheNextCopyTakesOverAnInterruptedCopysFile) {
    TempDir dir;
    WriteFile(dir / "src" / "BOOT.EXE", "new image");
    WriteFile(dir / "drive" / ".BOOT.EXE.part", "cut off");
    EXPECT_EQ(platform::CopyIntoFolder((dir / "src" / "BOOT.EXE").string(),
                                       (dir / "drive").string()),
              0);
    EXPECT_EQ(ReadFile(dir / "drive" / "BOOT.EXE"), "new image");
    EXPECT_FALSE(fs::exists(dir / "drive" / ".BOOT.EXE.part"));
}

}  // namespace
