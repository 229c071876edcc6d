// Whole upgrade jobs: package in, device files on a folder-backed drive out,
// with the worker on its own thread and the test's thread serving it as the
// user-interface thread does.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <functional>

#include "JobHarness.h"
#include "encoder/Encrypt.h"
#include "platform/ErrorText.h"
#include "platform/FolderLock.h"
#include "platform/Win32.h"
#include "support/PackageMaker.h"
#include "support/Rar4Writer.h"
#include "support/TempDir.h"
#include "support/TmpfsMount.h"

namespace {

namespace fs = std::filesystem;
using pipeline::JobPhase;
using testsupport::JobRun;
using testsupport::Rar4Writer;
using testsupport::ReadFile;
using testsupport::WriteFile;

const DeviceInfo kInfo = testsupport::MakeDeviceInfo("T512A0001234", "1A2B3C4D", "V201");

// A program folder, a drive folder and a package beside them.
struct JobFolders {
    testsupport::TempDir dir;
    fs::path app = dir / "app";
    fs::path drive = dir / "drive";
    fs::path package = dir / "update.rar";

    JobFolders() {
        fs::create_directories(app);
        fs::create_directories(drive);
    }
    void Package(const std::string& archive) { testsupport::WritePackage(package, archive, kInfo); }
    std::unique_ptr<JobRun> Run() {
        return std::make_unique<JobRun>(app.string(), package.string(), drive.string());
    }
    std::string Image(const std::string& ept) const {
        WriteFile(dir / "ref" / "X.EPT", ept);
        Encrypt reference((dir / "ref" / "X.EPT").string(), &kInfo);
        EXPECT_TRUE(reference.Encode());
        return ReadFile(dir / "ref" / "X.EXE");
    }
};

bool HasMessage(const testsupport::RecordingSink& sink, const std::string& text) {
    for (const auto& m : sink.messages) {
        if (m.text == text) return true;
    }
    return false;
}

TEST(UpgradeJob, PutsTheFlattenedPackageOnTheDriveAndCleansUp) {
    JobFolders s;
    const std::string ept = testsupport::RandomBytes(3000, 3);
    s.Package(Rar4Writer()
                  .Folder("PKG")
                  .File("PKG\\BOOT.EPT", ept)
                  .File("PKG\\README.TXT", "read me")
                  .Folder("PKG\\FONT")
                  .File("PKG\\FONT\\F.BIN", "font")
                  .Bytes());
    auto run = s.Run();
    ASSERT_TRUE(run->started);
    EXPECT_TRUE(run->Succeeded());
    EXPECT_EQ(s.Image(ept), ReadFile(s.drive / "BOOT.EXE"));
    EXPECT_EQ(ReadFile(s.drive / "README.TXT"), "read me");
    EXPECT_EQ(ReadFile(s.drive / "FONT" / "F.BIN"), "font");
    EXPECT_FALSE(fs::exists(s.drive / "PKG"));
    EXPECT_FALSE(fs::exists(s.drive / "BOOT.EPT"));
    EXPECT_FALSE(fs::exists(s.app / "Temp"));
    EXPECT_FALSE(fs::exists(s.app / "TEMP.TMP"));
    EXPECT_TRUE(fs::exists(s.package));

    // N = 3: five entries extracted, one folder copied whole, then the full bar.
    EXPECT_EQ(run->sink.rangeLower, 0);
    EXPECT_EQ(run->sink.rangeUpper, 6);
    EXPECT_EQ(run->sink.positions, (std::vector<int>{1, 2, 3, 4, 5, 6, 6}));
    EXPECT_EQ(run->job->Pos(), 6);
    EXPECT_EQ(run->job->DirCount(), 2);
    EXPECT_EQ(run->job->Info(), kInfo);
    EXPECT_TRUE(run->sink.messages.empty());
    EXPECT_EQ(run->sink.closeRequests, 1);
    EXPECT_TRUE(pipeline::UpgradeJob::IsFinished());
    // The drive is flushed after the copy and before the job reports.
    EXPECT_EQ(run->sink.phases,
              (std::vector<JobPhase>{JobPhase::Extracting, JobPhase::Waiting, JobPhase::Copying,
                                     JobPhase::Flushing, JobPhase::Deleting, JobPhase::Finished}));
}

TEST(UpgradeJob, MoreFolderEntriesThanCountedFilesHoldTheBarAtItsEnd) {
    JobFolders s;
    s.Package(Rar4Writer().Folder("P").Folder("P\\A").Folder("P\\B").File("P\\X.TXT", "x").Bytes());
    auto run = s.Run();
    ASSERT_TRUE(run->started);
    EXPECT_EQ(run->sink.rangeUpper, 2);
    EXPECT_EQ(run->job->Pos(), 6);  // four entries, then A and B copied whole
    EXPECT_EQ(run->sink.positions.back(), 2);
    EXPECT_TRUE(run->Succeeded());
}

TEST(UpgradeJob, PackageWithoutCountedEntriesIsRejectedBeforeAnyWorker) {
    JobFolders s;
    s.Package(Rar4Writer().Folder("PKG").File("PKG\\A.EPT", "x", 0x21).Bytes());
    auto run = s.Run();
    EXPECT_FALSE(run->started);
    EXPECT_EQ(run->sink.prompts, (std::vector<std::string>{"错误的升级文件！"}));
    EXPECT_FALSE(run->Succeeded());
    EXPECT_TRUE(pipeline::UpgradeJob::IsFinished());
    // The window may end, and ending it deletes nothing.
    EXPECT_TRUE(run->job->OnClose());
    EXPECT_FALSE(run->Succeeded());
    EXPECT_TRUE(fs::exists(s.app / "TEMP.TMP"));
    EXPECT_TRUE(fs::exists(s.package));
    EXPECT_TRUE(run->sink.positions.empty());
}

TEST(UpgradeJob, UnreadablePackageIsReportedAndNothingIsDeleted) {
    JobFolders s;
    testsupport::RecordingSink sink;
    pipeline::UpgradeJob job(sink, s.app.string(), testsupport::NoPauses());
    job.m_strFilePath = (s.dir / "no-such.rar").string();
    job.m_strDrive = s.drive.string();
    EXPECT_FALSE(job.Initialise());
    ASSERT_EQ(sink.messages.size(), 1u);
    // The path, then the reason in the windows' words.
    EXPECT_EQ(sink.messages[0].text, (s.dir / "no-such.rar").string() + "\n文件或文件夹不存在");
    EXPECT_TRUE(job.OnClose());
    EXPECT_FALSE(job.Succeeded());
    EXPECT_EQ(job.m_strFilePath, (s.dir / "no-such.rar").string());
}

// The flag goes down before the worker starts: a close request in between
// is refused, and the window stays until the worker's own request.
TEST(UpgradeJob, CloseRequestBeforeTheWorkerRunsIsRefused) {
    JobFolders s;
    s.Package(Rar4Writer().File("A.TXT", "a").Bytes());
    testsupport::RecordingSink sink;
    auto job =
        std::make_unique<pipeline::UpgradeJob>(sink, s.app.string(), testsupport::NoPauses());
    sink.job = job.get();
    job->m_strFilePath = s.package.string();
    job->m_strDrive = s.drive.string();
    ASSERT_TRUE(job->Initialise());
    // The worker cannot finish: its first request waits for this thread.
    EXPECT_FALSE(pipeline::UpgradeJob::IsFinished());
    EXPECT_FALSE(job->OnClose());
    EXPECT_TRUE(fs::exists(s.app / "TEMP.TMP"));
    sink.ServeUntilClosed();
    EXPECT_TRUE(job->Succeeded());
    EXPECT_EQ(ReadFile(s.drive / "A.TXT"), "a");
    job.reset();
}

TEST(UpgradeJob, DamagedArchivePutsNothingOnTheDriveAndFails) {
    JobFolders s;
    testsupport::Rar4Entry bad;
    bad.name = "PKG\\C.TXT";
    bad.data = "damaged";
    bad.badDataCrc = true;
    s.Package(Rar4Writer()
                  .Folder("PKG")
                  .File("PKG\\A.EPT", testsupport::RandomBytes(1000))
                  .Add(bad)
                  .File("PKG\\D.TXT", "d")
                  .Bytes());
    auto run = s.Run();
    ASSERT_TRUE(run->started);
    EXPECT_FALSE(run->Succeeded());
    EXPECT_TRUE(HasMessage(run->sink, "错误的升级文件！"));
    EXPECT_TRUE(fs::is_empty(s.drive));
    EXPECT_FALSE(fs::exists(s.app / "Temp"));
    EXPECT_FALSE(fs::exists(s.app / "TEMP.TMP"));
}

TEST(UpgradeJob, FailedCopiesAreReportedAndFailTheJob) {
    JobFolders s;
    s.Package(Rar4Writer().Folder("PKG").File("PKG\\A.TXT", "a").File("PKG\\B.TXT", "b").Bytes());
    WriteFile(s.dir / "plain-file", "not a folder");
    auto run = std::make_unique<JobRun>(s.app.string(), s.package.string(),
                                        (s.dir / "plain-file" / "drive").string());
    ASSERT_TRUE(run->started);
    EXPECT_FALSE(run->Succeeded());
    int copyFailures = 0;
    for (const auto& m : run->sink.messages) {
        if (m.text.starts_with("移动目录操作失败！ ")) {
            ++copyFailures;
            EXPECT_EQ(m.caption, "");
            EXPECT_EQ(m.type, MB_ICONEXCLAMATION);
        }
    }
    EXPECT_EQ(copyFailures, 1);  // the drive is not there: said once, the walk ends
    EXPECT_FALSE(fs::exists(s.app / "Temp"));
}

TEST(UpgradeJob, FailedEncodingIsReportedLeavesTheEptAndFailsTheJob) {
    JobFolders s;
    // A folder that carries a counted file's attribute word and an .EPT name
    // cannot be encoded.
    testsupport::Rar4Entry folder;
    folder.name = "PKG\\IMG.EPT";
    folder.directory = true;
    folder.attr = 0x20;
    s.Package(Rar4Writer().Folder("PKG").Add(folder).File("PKG\\B.EPT", "short").Bytes());
    auto run = s.Run();
    ASSERT_TRUE(run->started);
    EXPECT_FALSE(run->Succeeded());
    ASSERT_FALSE(run->sink.messages.empty());
    EXPECT_EQ(run->sink.messages[0].text, " 文件操作失败！");
    EXPECT_EQ(run->sink.messages[0].caption, "提示");
    EXPECT_EQ(run->sink.messages[0].type, MB_ICONINFORMATION);
    EXPECT_TRUE(fs::is_directory(s.drive / "IMG.EPT"));
    EXPECT_TRUE(fs::exists(s.drive / "B.EXE"));
}

// Serves the job to its end and does `act` once, when the job enters
// `phase`; says whether `act` succeeded.
bool ServeActingAt(testsupport::RecordingSink& sink, JobPhase phase,
                   const std::function<bool()>& act) {
    bool acted = false;
    sink.queue.Serve([&] {
        if (!acted && !sink.phases.empty() && sink.phases.back() == phase) acted = act();
        return sink.closed;
    });
    return acted;
}

TEST(UpgradeJob, FailedFinalDeleteFailsTheJob) {
    if (std::string why; !testsupport::TmpfsMount::CanRemountReadOnly(why)) GTEST_SKIP() << why;
    testsupport::TmpfsMount app(1 << 20);
    if (!app.Mounted()) GTEST_SKIP() << app.Error();
    JobFolders s;
    s.Package(Rar4Writer().File("A.TXT", "a").Bytes());
    testsupport::RecordingSink sink;
    pipeline::UpgradeJob job(sink, app.path().string(), testsupport::NoPauses());
    sink.job = &job;
    job.m_strFilePath = s.package.string();
    job.m_strDrive = s.drive.string();
    ASSERT_TRUE(job.Initialise());
    ASSERT_TRUE(ServeActingAt(sink, JobPhase::Deleting, [&] { return app.RemountReadOnly(); }))
        << app.Error();
    EXPECT_TRUE(HasMessage(sink, "删除目录操作失败！ "));
    EXPECT_FALSE(job.Succeeded());
    EXPECT_EQ(ReadFile(s.drive / "A.TXT"), "a");
}

TEST(UpgradeJob, DriveThatCannotBeFlushedFailsTheJob) {
    JobFolders s;
    s.Package(Rar4Writer().File("A.TXT", "a").Bytes());
    auto run = std::make_unique<JobRun>(s.app.string(), s.package.string(), "Q:\\");
    ASSERT_TRUE(run->started);
    EXPECT_FALSE(run->Succeeded());
    EXPECT_TRUE(
        HasMessage(run->sink, "移动目录操作失败！ \nQ:\\A.TXT\n" + platform::ErrorText(ENODEV)));
}

// A stick pulled during the flush: the drive and the cause are named.
TEST(UpgradeJob, DriveGoneAtTheFlushIsNamedWithTheCause) {
    JobFolders s;
    s.Package(Rar4Writer().File("A.TXT", "a").Bytes());
    testsupport::RecordingSink sink;
    pipeline::UpgradeJob job(sink, s.app.string(), testsupport::NoPauses());
    sink.job = &job;
    job.m_strFilePath = s.package.string();
    job.m_strDrive = s.drive.string();
    ASSERT_TRUE(job.Initialise());
    ASSERT_TRUE(
        ServeActingAt(sink, JobPhase::Flushing, [&] { return fs::remove_all(s.drive) > 0; }));
    EXPECT_TRUE(HasMessage(
        sink, "移动目录操作失败！ \n" + s.drive.string() + "\n" + platform::ErrorText(ENOENT)));
    EXPECT_FALSE(job.Succeeded());
}

// A staging folder holding what cannot be removed would put that on the
// drive as part of this upgrade.
TEST(UpgradeJob, StagingFolderThatCannotBeEmptiedStopsTheJobBeforeItStarts) {
    if (std::string why; !testsupport::TmpfsMount::CanRemountReadOnly(why)) GTEST_SKIP() << why;
    testsupport::TmpfsMount app(1 << 20);
    if (!app.Mounted()) GTEST_SKIP() << app.Error();
    JobFolders s;
    s.Package(Rar4Writer().File("A.TXT", "a").Bytes());
    WriteFile(app / "Temp" / "LEFT.TXT", "left by a killed run");
    ASSERT_TRUE(app.RemountReadOnly()) << app.Error();
    JobRun run(app.path().string(), s.package.string(), s.drive.string());
    EXPECT_FALSE(run.started);
    ASSERT_EQ(run.sink.messages.size(), 1u);
    EXPECT_EQ(run.sink.messages[0].text.rfind("临时目录无法清空，升级没有开始：", 0), 0u)
        << run.sink.messages[0].text;
    EXPECT_TRUE(fs::is_empty(s.drive));
    EXPECT_TRUE(fs::exists(s.package));
}

// A scratch folder refused by its checks (a link, someone else's) is named
// with the reason, and the job leaves it as it was.
TEST(UpgradeJob, ARefusedScratchFolderIsReportedAndLeftAlone) {
    JobFolders s;
    s.Package(Rar4Writer().File("A.TXT", "a").Bytes());
    WriteFile(s.app / "Temp" / "THEIRS.TXT", "not ours to purge");
    testsupport::RecordingSink sink;
    pipeline::UpgradeJob job(sink, platform::ScratchHome{s.app.string(), ELOOP},
                             testsupport::NoPauses());
    job.m_strFilePath = s.package.string();
    job.m_strDrive = s.drive.string();
    EXPECT_FALSE(job.Initialise());
    EXPECT_TRUE(HasMessage(
        sink, "临时目录无法使用：" + s.app.string() + "\n" + platform::ErrorText(ELOOP)));
    EXPECT_EQ(ReadFile(s.app / "Temp" / "THEIRS.TXT"), "not ours to purge");
    EXPECT_FALSE(fs::exists(s.app / "TEMP.TMP"));
    EXPECT_TRUE(fs::is_empty(s.drive));
}

// Two jobs never share a scratch folder or write one drive at once: the later
// one is refused and touches nothing of the first one's.
TEST(UpgradeJob, ASecondJobOnTheSameScratchFolderOrDriveIsRefused) {
    JobFolders s;
    s.Package(Rar4Writer().File("A.TXT", "a").Bytes());
    testsupport::RecordingSink firstSink;
    {
        pipeline::UpgradeJob first(firstSink, s.app.string(), testsupport::NoPauses());
        WriteFile(s.app / "Temp" / "BUSY.TXT", "the first job's");
        JobRun second(s.app.string(), s.package.string(), s.drive.string());
        EXPECT_FALSE(second.started);
        EXPECT_TRUE(HasMessage(second.sink,
                               "临时目录正被另一个升级使用，请等它结束后再试：" + s.app.string()));
        EXPECT_EQ(ReadFile(s.app / "Temp" / "BUSY.TXT"), "the first job's");
    }
    {
        auto drive = platform::FolderLock::TryLock(s.drive);
        ASSERT_TRUE(drive);
        JobRun second(s.app.string(), s.package.string(), s.drive.string());
        EXPECT_FALSE(second.started);
        EXPECT_TRUE(HasMessage(second.sink,
                               "U盘正被另一个升级写入，请等它结束后再试：" + s.drive.string()));
        EXPECT_TRUE(fs::is_empty(s.drive));
    }
    EXPECT_TRUE(s.Run()->Succeeded());  // both claims end with their holders
}

TEST(UpgradeJob, AFileGoneFromTheDriveAfterItsCopyFailsTheJob) {
    JobFolders s;
    s.Package(Rar4Writer().File("A.TXT", "a").File("B.TXT", "b").Bytes());
    testsupport::RecordingSink sink;
    pipeline::UpgradeJob job(sink, s.app.string(), testsupport::NoPauses());
    sink.job = &job;
    job.m_strFilePath = s.package.string();
    job.m_strDrive = s.drive.string();
    ASSERT_TRUE(job.Initialise());
    sink.queue.Serve([&] {
        if (!sink.phases.empty() && sink.phases.back() == JobPhase::Flushing) {
            fs::remove(s.drive / "B.TXT");
        }
        return sink.closed;
    });
    EXPECT_FALSE(job.Succeeded());
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].text.rfind("复制后U盘上缺少文件或大小不符：", 0), 0u);
    EXPECT_NE(sink.messages[0].text.find("B.TXT"), std::string::npos);
}

// Stored names are resolved as the device's file system resolves them:
// folders that differ only in letter case are one folder, and so are files.
TEST(UpgradeJob, NamesThatDifferOnlyInLetterCaseLandAsOne) {
    JobFolders s;
    const std::string ept = testsupport::RandomBytes(600, 9);
    s.Package(Rar4Writer()
                  .File("PKG\\x.exe", "an older image")
                  .File("PKG\\A.EPT", ept)
                  .File("pkg\\B.TXT", "b")
                  .File("Pkg\\SUB\\C.TXT", "c")
                  .File("PKG\\sub\\D.TXT", "d")
                  .File("PKG\\X.EPT", ept)
                  .File("PKG\\b.txt", "later b")
                  .Bytes());
    auto run = s.Run();
    ASSERT_TRUE(run->started);
    EXPECT_TRUE(run->Succeeded());
    std::vector<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(s.drive)) {
        names.push_back(fs::relative(e.path(), s.drive).generic_string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"A.EXE", "B.TXT", "SUB", "SUB/C.TXT", "SUB/D.TXT",
                                               "x.exe"}));
    EXPECT_EQ(ReadFile(s.drive / "B.TXT"), "later b");
    EXPECT_EQ(ReadFile(s.drive / "x.exe"), s.Image(ept));
}

// 2N above 32767 does not fit the 16-bit range of the original control.
TEST(UpgradeJob, MoreThan16383CountedEntriesUseTheFull32BitRange) {
#ifdef _WIN32
    GTEST_SKIP() << "16400 files in one folder take minutes under wine: tested on Linux";
#endif
    JobFolders s;
    Rar4Writer writer;
    writer.Folder("P");
    constexpr int kFiles = 16400;
    for (int i = 0; i < kFiles; ++i) writer.File("P\\F" + std::to_string(i), "");
    s.Package(writer.Bytes());
    auto run = s.Run();
    ASSERT_TRUE(run->started);
    EXPECT_EQ(run->sink.rangeUpper, 2 * kFiles);
    EXPECT_EQ(run->job->Pos(), kFiles + 1);
    EXPECT_EQ(run->sink.positions.back(), 2 * kFiles);
    EXPECT_TRUE(run->Succeeded());
    EXPECT_TRUE(fs::exists(s.drive / "F16399"));
}

}  // namespace
