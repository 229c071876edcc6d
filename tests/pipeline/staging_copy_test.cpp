// The copy walk, the shell operations and the purge over real folders.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "JobHarness.h"
#include "platform/ErrorText.h"
#include "platform/Path.h"
#include "support/TempDir.h"
#include "support/TmpfsMount.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ReadFile;
using testsupport::WriteFile;

struct Walk {
    testsupport::TempDir dir;
    testsupport::RecordingSink sink;
    pipeline::UpgradeJob job{sink, dir.path().string(), testsupport::NoPauses()};
    fs::path staging = dir / "Temp";
    fs::path drive = dir / "drive";

    Walk() {
        fs::create_directories(drive);
        job.m_strDrive = drive.string();
    }
    void Copy() { job.CopyFolder(job.TempDir()); }
};

TEST(CopyFolder, FlattensTheFirstSubFolderAndCopiesEveryOtherWhole) {
    Walk w;
    WriteFile(w.staging / "F1", "f1");
    WriteFile(w.staging / "F2", "f2");
    WriteFile(w.staging / "A" / "G", "g");
    WriteFile(w.staging / "A" / "A1" / "H", "h");
    WriteFile(w.staging / "B" / "I", "i");
    w.Copy();
    EXPECT_EQ(ReadFile(w.drive / "F1"), "f1");
    EXPECT_EQ(ReadFile(w.drive / "F2"), "f2");
    EXPECT_EQ(ReadFile(w.drive / "G"), "g");
    EXPECT_EQ(ReadFile(w.drive / "A1" / "H"), "h");
    EXPECT_EQ(ReadFile(w.drive / "B" / "I"), "i");
    EXPECT_FALSE(fs::exists(w.drive / "A"));
    EXPECT_EQ(w.job.Pos(), 2);
    EXPECT_EQ(w.job.DirCount(), 3);
    EXPECT_EQ(w.sink.positions, (std::vector<int>{1, 2}));
    EXPECT_TRUE(w.sink.messages.empty());
}

TEST(CopyFolder, FilesOnlyMoveNoBarAndDotFoldersStayBehind) {
    Walk w;
    WriteFile(w.staging / "A.EXE", "a");
    WriteFile(w.staging / ".hidden", "dot file");
    WriteFile(w.staging / ".git" / "config", "never");
    w.Copy();
    EXPECT_EQ(ReadFile(w.drive / "A.EXE"), "a");
    EXPECT_EQ(ReadFile(w.drive / ".hidden"), "dot file");
    EXPECT_FALSE(fs::exists(w.drive / ".git"));
    EXPECT_FALSE(fs::exists(w.drive / "config"));
    EXPECT_TRUE(w.sink.positions.empty());
    EXPECT_EQ(w.job.DirCount(), 0);
}

TEST(CopyFolder, LaterCopiesReplaceEarlierOnesAndWhatWasOnTheDrive) {
    Walk w;
    WriteFile(w.drive / "OLD.TXT", "old");
    WriteFile(w.staging / "OLD.TXT", "new");
    WriteFile(w.staging / "A" / "SAME", "from the flattened folder");
    WriteFile(w.staging / "SAME", "from the top");  // listed after folder A
    w.Copy();
    EXPECT_EQ(ReadFile(w.drive / "OLD.TXT"), "new");
    EXPECT_EQ(ReadFile(w.drive / "SAME"), "from the top");
}

TEST(CopyFolder, AbsentStagingFolderCopiesNothingAndSaysNothing) {
    Walk w;
    fs::remove_all(w.staging);
    w.Copy();
    EXPECT_TRUE(fs::is_empty(w.drive));
    EXPECT_TRUE(w.sink.messages.empty());
}

// What an earlier job left read-only would otherwise reach the drive with the
// next upgrade, and shift its layout one folder down.
TEST(DeleteFolder, PurgesReadOnlyFilesAndFoldersToo) {
    Walk w;
    WriteFile(w.staging / "sub" / "keep.txt", "read-only");
    WriteFile(w.staging / "locked" / "inner.txt", "in a read-only folder");
    fs::permissions(w.staging / "sub" / "keep.txt",
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    fs::permissions(w.staging / "locked", fs::perms::owner_read | fs::perms::owner_exec,
                    fs::perm_options::replace);
    EXPECT_TRUE(w.job.DeleteFolder(w.job.TempDir()));
    EXPECT_FALSE(fs::exists(w.staging));
}

TEST(DeleteFolder, NeverReachesThroughALink) {
    Walk w;
    testsupport::TempDir outside;
    WriteFile(outside / "precious.txt", "mine");
    fs::create_directories(w.staging);
    std::string why;
    if (!testsupport::MakeSymlink(outside.path(), w.staging / "link", why)) GTEST_SKIP() << why;
    EXPECT_TRUE(w.job.DeleteFolder(w.job.TempDir()));
    EXPECT_FALSE(fs::exists(w.staging));
    EXPECT_EQ(ReadFile(outside / "precious.txt"), "mine");

    // The staging folder itself a link to elsewhere: the link goes, not the content.
    ASSERT_TRUE(testsupport::MakeSymlink(outside.path(), w.staging, why)) << why;
    EXPECT_TRUE(w.job.DeleteFolder(w.job.TempDir()));
    EXPECT_EQ(ReadFile(outside / "precious.txt"), "mine");
}

// A failed copy names the file where it would have landed and the cause.
TEST(ShellOperations, ReportTheirFailuresInTheirOwnWords) {
    Walk w;
    EXPECT_FALSE(
        w.job.ShellCopy((w.dir / "missing").string(), platform::CopyDestination(w.drive.string())));
    EXPECT_FALSE(w.job.ShellDelete((w.dir / "missing").string()));
    ASSERT_EQ(w.sink.messages.size(), 2u);
    EXPECT_EQ(w.sink.messages[0].text, "移动目录操作失败！ \n" +
                                           platform::ToDrivePath(w.drive / "missing") + "\n" +
                                           platform::ErrorText(ENOENT));
    EXPECT_EQ(w.sink.messages[1].text, "删除目录操作失败！ ");
    EXPECT_EQ(w.sink.messages[1].caption, "");
}

// A stick pulled during the walk: the file is named on the drive, not by the
// folder the stick was mounted on, and the cause is the pull, whatever the
// dead file system answered.
TEST(ShellOperations, NameTheFileOnTheDriveOnceTheDriveIsGone) {
    Walk w;
    w.job.m_strDrive = "Q:\\";
    EXPECT_FALSE(
        w.job.ShellCopy((w.dir / "missing").string(), platform::CopyDestination(w.drive.string())));
    ASSERT_EQ(w.sink.messages.size(), 1u);
    EXPECT_EQ(w.sink.messages[0].text,
              "移动目录操作失败！ \nQ:\\missing\n" + platform::ErrorText(ENODEV));
}

// A write-protected stick refuses every file the same way: one message, and
// the walk ends.
TEST(CopyFolder, AReadOnlyDriveIsReportedOnce) {
    if (std::string why; !testsupport::TmpfsMount::CanRemountReadOnly(why)) GTEST_SKIP() << why;
    testsupport::TmpfsMount drive(1 << 20);
    if (!drive.Mounted()) GTEST_SKIP() << drive.Error();
    ASSERT_TRUE(drive.RemountReadOnly()) << drive.Error();
    Walk w;
    w.job.m_strDrive = drive.path().string();
    for (const char* name : {"A.TXT", "B.TXT", "C.TXT"}) WriteFile(w.staging / "PKG" / name, name);
    w.Copy();
    ASSERT_EQ(w.sink.messages.size(), 1u);
    EXPECT_EQ(w.sink.messages[0].text, "移动目录操作失败！ \n" +
                                           platform::ToDrivePath(drive / "A.TXT") + "\n" +
                                           platform::ErrorText(EROFS));
}

// A drive whose root is no folder takes no file: one message, and the walk ends.
TEST(CopyFolder, ADriveThatIsNoFolderIsReportedOnce) {
    Walk w;
    WriteFile(w.dir / "not-a-folder", "");
    w.job.m_strDrive = (w.dir / "not-a-folder").string();
    for (const char* name : {"A.TXT", "B.TXT"}) WriteFile(w.staging / "PKG" / name, name);
    w.Copy();
    ASSERT_EQ(w.sink.messages.size(), 1u);
    EXPECT_NE(w.sink.messages[0].text.find(platform::ErrorText(ENOTDIR)), std::string::npos);
}

}  // namespace
