// Whatever names, links and attributes a package holds, nothing is written
// outside the staging folder, nothing outside it reaches the drive, and
// nothing outside it is deleted.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "JobHarness.h"
#include "support/PackageMaker.h"
#include "support/Rar4Writer.h"
#include "support/TempDir.h"
#include "support/TmpfsMount.h"

namespace {

namespace fs = std::filesystem;
using testsupport::Rar4Writer;
using testsupport::ReadFile;
using testsupport::WriteFile;

// The program folder sits two levels down, so that names climbing out of
// the staging folder have somewhere to land that the test can see.
struct Sandbox {
    testsupport::TempDir dir;
    fs::path app = dir / "a" / "b" / "app";
    fs::path drive = dir / "drive";
    fs::path package = dir / "p.rar";

    Sandbox() {
        fs::create_directories(app);
        fs::create_directories(drive);
        WriteFile(dir / "a" / "victim.txt", "untouched");
    }
    std::unique_ptr<testsupport::JobRun> Run(const std::string& archive) {
        testsupport::WritePackage(package, archive, testsupport::MakeDeviceInfo("S", "0", "V"));
        return std::make_unique<testsupport::JobRun>(app.string(), package.string(),
                                                     drive.string());
    }
    // Every path under the sandbox that is neither the drive's nor the package.
    std::vector<fs::path> Strays() const {
        std::vector<fs::path> strays;
        for (const auto& e : fs::recursive_directory_iterator(dir.path())) {
            const auto rel = fs::relative(e.path(), dir.path()).string();
            if (rel.starts_with("drive") || rel == "p.rar" || rel == "a" || rel == "a/victim.txt" ||
                rel == "a/b" || rel == "a/b/app") {
                continue;
            }
            strays.push_back(e.path());
        }
        return strays;
    }
    bool DriveHoldsLinks() const {
        for (const auto& e : fs::recursive_directory_iterator(drive)) {
            if (e.is_symlink()) return true;
        }
        return false;
    }
};

TEST(UnsafeInput, ClimbingAndAbsoluteNamesStayInsideTheStagingFolder) {
    Sandbox s;
    const std::string gbkClimb = "..\\..\\\xc9\xfd.txt";  // converted by us, not the library
    auto run = s.Run(Rar4Writer()
                         .File("..\\..\\victim.txt", "overwritten")
                         .File("..\\..\\..\\escape.EPT", testsupport::RandomBytes(800))
                         .File("C:\\Windows\\abs.txt", "abs")
                         .File("\\rooted.txt", "rooted")
                         .File(gbkClimb, "gbk")
                         .Bytes());
    ASSERT_TRUE(run->started);
    EXPECT_TRUE(run->Succeeded());
    EXPECT_EQ(ReadFile(s.dir / "a" / "victim.txt"), "untouched");
    EXPECT_TRUE(s.Strays().empty()) << s.Strays().front();
    EXPECT_EQ(ReadFile(s.drive / "victim.txt"), "overwritten");
    EXPECT_TRUE(fs::exists(s.drive / "escape.EXE"));
    EXPECT_EQ(ReadFile(s.drive / "升.txt"), "gbk");
}

TEST(UnsafeInput, LinksNeverReachTheDriveAndNeverLeadOutside) {
    Sandbox s;
    testsupport::TempDir outside;
    WriteFile(outside / "secret.txt", "secret");
    auto run = s.Run(Rar4Writer()
                         .Folder("PKG")
                         .File("PKG\\A.TXT", "inside data")
                         .UnixLink("PKG/inside.lnk", "A.TXT")
                         .UnixLink("PKG/up.lnk", "../../../../victim.txt")
                         .UnixLink("PKG/abs.lnk", (outside / "secret.txt").string())
                         .UnixLink("PKG/dir.lnk", outside.path().string())
                         .File("PKG\\dir.lnk\\planted.txt", "planted")
                         .Bytes());
    ASSERT_TRUE(run->started);
    EXPECT_FALSE(s.DriveHoldsLinks());
    // A link to a file inside arrives as that file.
    EXPECT_EQ(ReadFile(s.drive / "inside.lnk"), "inside data");
    EXPECT_FALSE(fs::exists(s.drive / "abs.lnk") && ReadFile(s.drive / "abs.lnk") == "secret");
    EXPECT_FALSE(fs::exists(s.drive / "up.lnk") && ReadFile(s.drive / "up.lnk") == "untouched");
    EXPECT_FALSE(fs::exists(outside / "planted.txt"));
    EXPECT_EQ(ReadFile(outside / "secret.txt"), "secret");
    EXPECT_EQ(ReadFile(s.dir / "a" / "victim.txt"), "untouched");
    EXPECT_TRUE(s.Strays().empty()) << s.Strays().front();
}

// A staging folder left behind as a link to elsewhere is unlinked, and what
// it pointed to is neither purged nor copied to the drive.
TEST(UnsafeInput, StagingFolderThatIsALinkIsNeverFollowed) {
    Sandbox s;
    testsupport::TempDir outside;
    WriteFile(outside / "keep.txt", "keep");
    fs::create_directory_symlink(outside.path(), s.app / "Temp");
    auto run = s.Run(Rar4Writer().File("A.TXT", "a").Bytes());
    ASSERT_TRUE(run->started);
    EXPECT_TRUE(run->Succeeded());
    EXPECT_EQ(ReadFile(outside / "keep.txt"), "keep");
    EXPECT_FALSE(fs::exists(s.drive / "keep.txt"));
    EXPECT_EQ(ReadFile(s.drive / "A.TXT"), "a");
}

bool Shows(const testsupport::JobRun& run, const std::string& part) {
    for (const auto& m : run.sink.messages) {
        if (m.text.find(part) != std::string::npos) return true;
    }
    return false;
}

// Converted (GBK) names are extracted under the staging folder as destination
// folder: the library checks only the folders below it, so a scratch path
// reached through the user's link keeps that link, and the entry lands.
TEST(UnsafeInput, ScratchPathThroughALinkKeepsTheLinkAndExtractsEveryEntry) {
    testsupport::TempDir dir;
    fs::create_directories(dir / "real" / "app");
    fs::create_directories(dir / "drive");
    fs::create_directory_symlink(dir / "real", dir / "link");
    const fs::path package = dir / "p.rar";
    testsupport::WritePackage(package, Rar4Writer().File("\xc9\xfd.txt", "gbk").Bytes(),
                              testsupport::MakeDeviceInfo("S", "0", "V"));
    testsupport::JobRun run((dir / "link" / "app").string(), package.string(),
                            (dir / "drive").string());
    ASSERT_TRUE(run.started);
    EXPECT_TRUE(run.Succeeded());
    EXPECT_TRUE(fs::is_symlink(dir / "link"));
    EXPECT_EQ(ReadFile(dir / "drive" / "升.txt"), "gbk");
}

// A staging folder that cannot take an entry says which file and why, in the
// system's words, and fails; the package is not blamed.
TEST(UnsafeInput, StagingFailuresNameThePathAndTheSystemsReason) {
    Sandbox s;
    auto tooLong = s.Run(Rar4Writer().File("A.TXT", "a").File(std::string(300, 'N'), "n").Bytes());
    ASSERT_TRUE(tooLong->started);
    EXPECT_FALSE(tooLong->Succeeded());
    EXPECT_TRUE(Shows(*tooLong, std::string(300, 'N') + "\n" + std::strerror(ENAMETOOLONG)));
    EXPECT_FALSE(Shows(*tooLong, "错误的升级文件！"));
    EXPECT_FALSE(fs::exists(s.drive / "A.TXT"));

    testsupport::TmpfsMount small(1 << 20);
    if (!small.Mounted()) GTEST_SKIP() << small.Error();
    testsupport::WritePackage(
        s.package, Rar4Writer().File("BIG.BIN", testsupport::RandomBytes(700000)).Bytes(),
        testsupport::MakeDeviceInfo("S", "0", "V"));
    testsupport::JobRun full(small.path().string(), s.package.string(), s.drive.string());
    ASSERT_TRUE(full.started);
    EXPECT_FALSE(full.Succeeded());
    EXPECT_TRUE(Shows(full, "BIG.BIN\n" + std::string(std::strerror(ENOSPC))));
    EXPECT_FALSE(Shows(full, "错误的升级文件！"));
}

}  // namespace
