// ostrel-cli write, run as a user runs it: whole jobs onto folder-backed
// drives and plain folders, from our packages, the bundled sample and every
// shared fixture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <map>
#include <string>
#include <vector>

#include "cli/DriveListing.h"
#include "cli/RunCli.h"
#include "drive/ScopedEnv.h"
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

using clitest::Tree;
using clitest::TreeOf;

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// The drive that the copy rules give for a staging folder: its files and
// those of its first sub-folder (in NTFS order) in the root, every other
// sub-folder whole, folders starting with "." left out.
class DriveModel {
public:
    explicit DriveModel(const fs::path& staging) { Walk(staging); }
    const Tree& tree() const { return m_tree; }

private:
    void Walk(const fs::path& dir) {
        std::vector<fs::directory_entry> entries(fs::directory_iterator(dir), {});
        std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
            return Upper(a.path().filename().string()) < Upper(b.path().filename().string());
        });
        for (const auto& e : entries) {
            const std::string name = e.path().filename().string();
            if (!e.is_directory()) {
                m_tree[name] = static_cast<long long>(e.file_size());
            } else if (name[0] != '.' && ++m_dirCount == 1) {
                Walk(e.path());
            } else if (name[0] != '.') {
                m_tree[name] = -1;
                for (const auto& [rel, size] : TreeOf(e.path())) m_tree[name + "/" + rel] = size;
            }
        }
    }

    Tree m_tree;
    int m_dirCount = 0;
};

struct WriteSetup {
    TempDir dir;
    fs::path stick = dir / "stick";
    fs::path tmp = dir / "tmp";
    ScopedEnv drives{"OSTREL_DRIVES", "E=" + (dir / "stick").string()};
    ScopedEnv tmpdir{"TMPDIR", (dir / "tmp").string()};

    WriteSetup() {
        fs::create_directories(stick);
        fs::create_directories(tmp);
    }
    std::string Package(const std::string& archive, const std::string& name = "update.rar") {
        testsupport::WritePackage(dir / name, archive, kInfo);
        return (dir / name).string();
    }
};

TEST(WriteCommand, SamplePackageLandsOnAFolderBackedDrive) {
    WriteSetup s;
    const auto result =
        RunCli({"write", std::string(OSTREL_SOURCE_DIR) + "/samples/T512-sample.rar", "E:\\"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.err.find("升级成功！"), std::string::npos) << result.err;
    EXPECT_NE(
        result.err.find("ostrel-cli write: 6 files, 114754 bytes written to E:\\ and flushed, in "),
        std::string::npos)
        << result.err;
    EXPECT_EQ(result.err.find('\r'), std::string::npos);  // no bar off a terminal
    EXPECT_EQ(TreeOf(s.stick), clitest::SampleTree());
    EXPECT_TRUE(fs::is_empty(s.tmp));  // the private scratch folder is gone
}

TEST(WriteCommand, AnyFolderServesAsTargetAndFilesOnItAreReplaced) {
    WriteSetup s;
    const fs::path target = s.dir / "out";
    WriteFile(target / "A.TXT", "old");
    WriteFile(target / "OTHER", "kept");
    const auto result =
        RunCli({"write", s.Package(Rar4Writer().Folder("P").File("P\\A.TXT", "new").Bytes()),
                target.string()});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(ReadFile(target / "A.TXT"), "new");
    EXPECT_EQ(ReadFile(target / "OTHER"), "kept");
}

TEST(WriteCommand, RejectedAndDamagedPackagesFailAndLeaveTheDriveAlone) {
    WriteSetup s;
    const auto rejected =
        RunCli({"write", s.Package(Rar4Writer().File("A.EPT", "x", 0x21).Bytes()), "E:\\"});
    EXPECT_EQ(rejected.status, 1);
    EXPECT_NE(rejected.err.find("错误的升级文件！"), std::string::npos) << rejected.err;
    EXPECT_NE(rejected.err.find("升级失败！"), std::string::npos) << rejected.err;

    testsupport::Rar4Entry bad;
    bad.name = "P\\B.TXT";
    bad.data = "bad";
    bad.badDataCrc = true;
    const auto damaged = RunCli(
        {"write",
         s.Package(Rar4Writer().Folder("P").File("P\\A.TXT", "a").Add(bad).Bytes(), "bad.rar"),
         "E:\\"});
    EXPECT_EQ(damaged.status, 1);
    EXPECT_NE(damaged.err.find("升级失败！"), std::string::npos) << damaged.err;
    EXPECT_TRUE(fs::is_empty(s.stick));
    EXPECT_TRUE(fs::is_empty(s.tmp));
}

TEST(WriteCommand, BadUsageAndMissingTargetsAreRefused) {
    WriteSetup s;
    const std::string package = s.Package(Rar4Writer().File("A.TXT", "a").Bytes());
    EXPECT_EQ(RunCli({"write", package}).status, 2);
    EXPECT_EQ(RunCli({"write", package, "E:\\", "extra"}).status, 2);
    EXPECT_EQ(RunCli({"write", "--frobnicate", package, "E:\\"}).status, 2);
    const auto missing = RunCli({"write", package, (s.dir / "nowhere").string()});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("nowhere"), std::string::npos);
    // A package that is not there or not a file is refused before anything starts.
    const auto unreadable = RunCli({"write", (s.dir / "none.rar").string(), "E:\\"});
    EXPECT_EQ(unreadable.status, 2);
    EXPECT_EQ(unreadable.err,
              "ostrel-cli write: " + (s.dir / "none.rar").string() + ": no such file\n");
    EXPECT_EQ(RunCli({"write", s.stick.string(), (s.dir / "out").string()}).status, 2);
    EXPECT_TRUE(fs::is_empty(s.stick));
}

// The system drive by its root, a file, and a folder that holds the package
// are refused before anything is written; a folder below C: is a target.
TEST(WriteCommand, TargetsThatWouldHarmTheSystemOrThePackageAreRefused) {
    WriteSetup s;
    const std::string package = s.Package(Rar4Writer().File("PKG\\A.TXT", "a").Bytes());
    for (const std::string& target :
         {std::string("C:\\"), std::string("/"), package, s.dir.path().string()}) {
        const auto refused = RunCli({"write", package, target});
        EXPECT_EQ(refused.status, 2) << target;
        EXPECT_NE(refused.err.find("ostrel-cli write: " + target), std::string::npos)
            << refused.err;
    }
    const std::string below = "C:" + (s.dir / "below").string();
    fs::create_directories(s.dir / "below");
    EXPECT_EQ(RunCli({"write", package, below}).status, 0);
    EXPECT_TRUE(fs::exists(s.dir / "below" / "A.TXT"));
}

// True once a job's staging folder under tmp holds the package's folder.
bool Staged(const fs::path& tmp) {
    for (const auto& entry : fs::recursive_directory_iterator(tmp)) {
        if (entry.path().filename() == "PKG") return true;
    }
    return false;
}

// A job stopped by a signal removes its scratch data, fails, and says so.
TEST(WriteCommand, SignalsStopTheJobAndRemoveItsScratchData) {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        WriteSetup s;
        Rar4Writer archive;
        for (int i = 0; i < 200; ++i) archive.File("PKG\\F" + std::to_string(i) + ".TXT", "x");
        const std::string package = s.Package(archive.Bytes());
        // Sent once extraction has begun: the staging folder holds a file.
        const auto staged = [&] { return Staged(s.tmp); };
        const auto result = RunCli({"write", package, "E:\\"}, signal, staged);
        EXPECT_EQ(result.status, 128 + signal) << result.err;
        EXPECT_NE(result.err.find("升级失败！"), std::string::npos) << result.err;
        EXPECT_TRUE(fs::is_empty(s.tmp)) << "scratch data left after signal " << signal;
        EXPECT_TRUE(fs::exists(package));
    }
}

// SIGKILL cannot be caught: the next run removes what the killed one left,
// read-only or not, and leaves alone folders that are not a run's of ours.
TEST(WriteCommand, ALaterRunRemovesTheScratchDataOfAKilledOne) {
    WriteSetup s;
    Rar4Writer archive;
    for (int i = 0; i < 50; ++i)
        archive.File("PKG\\F" + std::to_string(i) + ".TXT", "x", i % 2 ? 0x21 : 0x20);
    const std::string package = s.Package(archive.Bytes());
    fs::create_directories(s.tmp / "ostrel-notours");
    const auto staged = [&] { return Staged(s.tmp); };
    EXPECT_EQ(RunCli({"write", package, "E:\\"}, SIGKILL, staged).status, -1);
    ASSERT_EQ(std::distance(fs::directory_iterator(s.tmp), fs::directory_iterator()), 2);
    EXPECT_EQ(RunCli({"write", package, "E:\\"}).status, 0);
    ASSERT_EQ(std::distance(fs::directory_iterator(s.tmp), fs::directory_iterator()), 1);
    EXPECT_TRUE(fs::exists(s.tmp / "ostrel-notours"));
}

// A stick that is gone during the copy is reported once, not once per entry.
TEST(WriteCommand, AVanishedDriveIsReportedOnce) {
    WriteSetup s;
    Rar4Writer archive;
    for (int i = 0; i < 40; ++i) archive.File("PKG\\F" + std::to_string(i) + ".TXT", "x");
    const std::string package = s.Package(archive.Bytes());
    const auto pulled = [&] { return Staged(s.tmp) && fs::remove_all(s.stick) > 0; };
    const auto result = RunCli({"write", package, "E:\\"}, 0, pulled);
    EXPECT_EQ(result.status, 1);
    const std::string failed = "移动目录操作失败！";
    const auto first = result.err.find(failed);
    ASSERT_NE(first, std::string::npos) << result.err;
    EXPECT_EQ(result.err.find(failed, first + 1), std::string::npos) << result.err;
}

// Every fixture, its entries made Windows files, written to its own folder;
// the drive must hold what the copy rules make of `unrar x`'s extraction,
// byte for byte the listing kept for the Windows build to match.
TEST(WriteCommand, EveryFixturePackageGivesTheDriveTreeTheRulesSay) {
    const fs::path fixtures = testsupport::FixturesDir();
    if (fixtures.empty()) GTEST_SKIP() << "shared fixtures folder absent";
    if (std::system("unrar >/dev/null 2>&1") != 0) GTEST_SKIP() << "no unrar command";
    WriteSetup s;
    const auto& names = clitest::ListedFixtures();
    std::vector<std::future<clitest::CliResult>> runs;
    for (const auto& name : names) {
        const std::string archive =
            testsupport::WithWindowsAttributes(ReadFile(fixtures / "rar" / name));
        WriteFile(s.dir / "plain" / name, archive);
        const std::string package = s.Package(archive, name);
        fs::create_directories(s.dir / "out" / name);
        runs.push_back(std::async(std::launch::async, [package, target = s.dir / "out" / name] {
            return RunCli({"write", package, target.string()});
        }));
    }
    std::vector<std::pair<std::string, std::string>> listings;
    for (size_t i = 0; i < names.size(); ++i) {
        const auto result = runs[i].get();
        EXPECT_EQ(result.status, 0) << names[i] << ": " << result.err;
        const fs::path ref = s.dir / "ref" / names[i];
        fs::create_directories(ref);
        const std::string command = "cd '" + ref.string() + "' && LANG=C.UTF-8 unrar x -idq -y '" +
                                    (s.dir / "plain" / names[i]).string() + "' >/dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0) << names[i];
        EXPECT_EQ(TreeOf(s.dir / "out" / names[i]), DriveModel(ref).tree()) << names[i];
        listings.emplace_back(names[i], clitest::DriveListing(s.dir / "out" / names[i]));
        if (std::getenv("OSTREL_UPDATE_TREES") == nullptr) {
            EXPECT_EQ(listings.back().second, clitest::KeptListing(names[i])) << names[i];
        }
    }
    if (std::getenv("OSTREL_UPDATE_TREES") != nullptr) clitest::KeepListings(listings);
}

TEST(WriteCommand, BrokenFixtureFailsWithNothingOnTheDrive) {
    const fs::path fixtures = testsupport::FixturesDir();
    if (fixtures.empty()) GTEST_SKIP() << "shared fixtures folder absent";
    WriteSetup s;
    const auto result = RunCli({"write",
                                s.Package(testsupport::WithWindowsAttributes(
                                    ReadFile(fixtures / "rar" / "la_rar_invalid1.rar"))),
                                "E:\\"});
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(fs::is_empty(s.stick));
}

}  // namespace
