// Whatever names, links and attributes a package holds, nothing is written
// outside the staging folder, nothing outside it reaches the drive, and
// nothing outside it is deleted.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "JobHarness.h"
#include "platform/ErrorText.h"
#include "platform/Utf8.h"
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
            const auto name = fs::relative(e.path(), dir.path()).generic_u8string();
            const std::string rel(name.begin(), name.end());
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
    EXPECT_EQ(ReadFile(s.drive / platform::Utf8Path("升.txt")), "gbk");
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
    // A link to a file inside arrives as that file (the library makes no
    // links on Windows: nothing arrives there).
#ifndef _WIN32
    EXPECT_EQ(ReadFile(s.drive / "inside.lnk"), "inside data");
#endif
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
    std::string why;
    if (!testsupport::MakeSymlink(outside.path(), s.app / "Temp", why)) GTEST_SKIP() << why;
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

// The current folder of whoever runs the job, for as long as it lives.
class CurrentFolder {
public:
    explicit CurrentFolder(const fs::path& folder) : m_saved(fs::current_path()) {
        fs::current_path(folder);
    }
    ~CurrentFolder() { fs::current_path(m_saved); }
    CurrentFolder(const CurrentFolder&) = delete;
    CurrentFolder& operator=(const CurrentFolder&) = delete;

private:
    fs::path m_saved;
};

// A surrogate pair (U+1F600) as CESU-8, which only our conversion turns
// into a name, put where rar stored the placeholder.
constexpr const char* kPlaceholder = "QQQQQQ";
constexpr const char* kCesuPair = "\xED\xA0\xBD\xED\xB8\x80";

// rar stores the second name of a file as a hard link (-oh) or a file copy
// (-oi) referring to the first, victim.txt; with that entry dropped, the
// package does not hold what its reference names. A device file follows.
std::string ReferenceToVictim(const fs::path& work, const std::string& linkSwitch,
                              const std::string& name, bool dropTarget = true) {
    const std::string entry = std::string("PKG/") + kPlaceholder + name;
    const std::string ept = std::string("PKG/") + kPlaceholder + "X.EPT";
    fs::create_directories(work / "PKG");
    WriteFile(work / "victim.txt", testsupport::RandomBytes(5000));
    fs::create_hard_link(work / "victim.txt", work / entry);
    WriteFile(work / ept, testsupport::RandomBytes(800));
    const std::string archive = "ref.rar";
    if (!testsupport::RunRar(
            work, "a -ma5 " + linkSwitch + " " + archive + " victim.txt " + entry + " " + ept) ||
        (dropTarget && !testsupport::RunRar(work, "d " + archive + " victim.txt"))) {
        return {};
    }
    return testsupport::WithRar5Names(ReadFile(work / archive), kPlaceholder, kCesuPair);
}

// Hard links and file copies resolve inside the staging folder only, also
// for an entry whose name had to be converted: a reference to a file in the
// current folder neither writes through to it nor carries it to the drive,
// and the job fails with its reason.
TEST(UnsafeInput, Rar5ReferencesNeverReachTheCurrentFolder) {
    // The hard link is where the device image would be written; the copy
    // would carry the file to the drive.
    const std::pair<std::string, std::string> cases[] = {{"-oh", "X.EXE"}, {"-oi:1", "C.TXT"}};
    for (const auto& [linkSwitch, name] : cases) {
        SCOPED_TRACE(linkSwitch);
        testsupport::TempDir work;
        const std::string archive = ReferenceToVictim(work.path(), linkSwitch, name);
        if (archive.empty()) GTEST_SKIP() << "rar is not installed";
        Sandbox s;
        testsupport::TempDir cwd;
        WriteFile(cwd / "victim.txt", "the user's own");
        CurrentFolder here(cwd.path());
        auto run = s.Run(archive);
        ASSERT_TRUE(run->started);
        EXPECT_FALSE(run->Succeeded());
        EXPECT_EQ(ReadFile(cwd / "victim.txt"), "the user's own");
        for (const auto& e : fs::recursive_directory_iterator(s.drive)) {
            EXPECT_FALSE(e.is_regular_file() && ReadFile(e.path()) == "the user's own") << e.path();
        }
        EXPECT_TRUE(Shows(*run, "升级文件中的条目指向升级目录之外，已拒绝：PKG/\U0001F600" + name));
        EXPECT_TRUE(s.Strays().empty()) << s.Strays().front();
    }
    // A reference to a file the package holds is followed.
    testsupport::TempDir work;
    const std::string archive = ReferenceToVictim(work.path(), "-oi:1", "C.TXT", false);
    Sandbox s;
    auto run = s.Run(archive);
    ASSERT_TRUE(run->started);
    EXPECT_TRUE(run->Succeeded());
    EXPECT_EQ(ReadFile(s.drive / "\U0001F600C.TXT"), ReadFile(work / "victim.txt"));
}

// Converted (GBK) names are extracted under the staging folder as destination
// folder: the library checks only the folders below it, so a scratch path
// reached through the user's link keeps that link, and the entry lands.
TEST(UnsafeInput, ScratchPathThroughALinkKeepsTheLinkAndExtractsEveryEntry) {
    testsupport::TempDir dir;
    fs::create_directories(dir / "real" / "app");
    fs::create_directories(dir / "drive");
    std::string why;
    if (!testsupport::MakeSymlink(dir / "real", dir / "link", why)) GTEST_SKIP() << why;
    const fs::path package = dir / "p.rar";
    testsupport::WritePackage(package, Rar4Writer().File("\xc9\xfd.txt", "gbk").Bytes(),
                              testsupport::MakeDeviceInfo("S", "0", "V"));
    testsupport::JobRun run((dir / "link" / "app").string(), package.string(),
                            (dir / "drive").string());
    ASSERT_TRUE(run.started);
    EXPECT_TRUE(run.Succeeded());
    EXPECT_TRUE(fs::is_symlink(dir / "link"));
    EXPECT_EQ(ReadFile(dir / "drive" / platform::Utf8Path("升.txt")), "gbk");
}

// A staging folder that cannot take an entry says which file and why, in the
// system's words, and fails; the package is not blamed.
TEST(UnsafeInput, StagingFailuresNameThePathAndTheSystemsReason) {
    Sandbox s;
    auto tooLong = s.Run(Rar4Writer().File("A.TXT", "a").File(std::string(300, 'N'), "n").Bytes());
    ASSERT_TRUE(tooLong->started);
    EXPECT_FALSE(tooLong->Succeeded());
    EXPECT_TRUE(Shows(*tooLong, std::string(300, 'N') + "\n" + platform::ErrorText(ENAMETOOLONG)));
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
    EXPECT_TRUE(Shows(full, "BIG.BIN\n" + platform::ErrorText(ENOSPC)));
    EXPECT_FALSE(Shows(full, "错误的升级文件！"));

    // The scratch archive does not fit: the job ends before its worker, and
    // no cut-short scratch archive stays; the staging folder stays empty.
    testsupport::TmpfsMount tiny(256 << 10);
    if (!tiny.Mounted()) GTEST_SKIP() << tiny.Error();
    testsupport::JobRun descramble(tiny.path().string(), s.package.string(), s.drive.string());
    EXPECT_FALSE(descramble.started);
    EXPECT_FALSE(descramble.Succeeded());
    EXPECT_TRUE(Shows(descramble, "TEMP.TMP\n" + platform::ErrorText(ENOSPC)));
    EXPECT_TRUE(descramble.sink.prompts.empty());
    EXPECT_FALSE(fs::exists(tiny / "TEMP.TMP"));
    EXPECT_TRUE(fs::is_empty(tiny / "Temp"));
}

}  // namespace
