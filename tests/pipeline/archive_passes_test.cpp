// The count and extraction passes over real archives: ours (stored RAR 4
// entries made to order) and the shared fixtures made by other tools.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "JobHarness.h"
#include "encoder/Encrypt.h"
#include "platform/Utf8.h"
#include "support/PackageMaker.h"
#include "support/Rar4Writer.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using pipeline::PassEnd;
using pipeline::UpgradeJob;
using testsupport::Rar4Writer;
using testsupport::ReadFile;
using testsupport::WriteFile;

// A job used only for its passes: the staging folder lies in `dir`.
struct Passes {
    testsupport::TempDir dir;
    testsupport::RecordingSink sink;
    UpgradeJob job{sink, dir.path().string(), testsupport::NoPauses()};

    std::string Archive(const std::string& bytes, const std::string& name = "a.rar") {
        WriteFile(dir / name, bytes);
        return (dir / name).string();
    }
    fs::path Staging() const { return dir / "Temp"; }
};

std::string Ept(std::size_t size, std::uint32_t seed = 7) {
    return testsupport::RandomBytes(size, seed);
}

TEST(GetFileCount, CountsOnlyAttributeWordExactly0x20) {
    Passes p;
    const auto path = p.Archive(Rar4Writer()
                                    .Folder("PKG")
                                    .File("PKG\\A.EPT", "a", 0x20)
                                    .File("PKG\\B.TXT", "b", 0x21)
                                    .File("PKG\\C.TXT", "c", 0x80)
                                    .File("PKG\\D.TXT", "d", 0x81A4)
                                    .File("PKG\\E.TXT", "e", 0x20)
                                    .Bytes());
    EXPECT_EQ(p.job.GetFileCount(path, 0), 2);
}

TEST(GetFileCount, GivesZeroForWhatIsNoArchive) {
    Passes p;
    EXPECT_EQ(p.job.GetFileCount(p.Archive("not an archive at all"), 0), 0);
    EXPECT_EQ(p.job.GetFileCount((p.dir / "missing.rar").string(), 0), 0);
    EXPECT_EQ(p.job.GetFileCount(p.Archive(""), 0), 0);
}

TEST(GetFileCount, ModeOneShowsEveryName) {
    Passes p;
    const auto path = p.Archive(Rar4Writer().Folder("PKG").File("PKG\\A.EPT", "x").Bytes());
    EXPECT_EQ(p.job.GetFileCount(path, 1), 1);
    ASSERT_EQ(p.sink.messages.size(), 2u);
    EXPECT_EQ(p.sink.messages[0].text, "PKG");
    EXPECT_EQ(p.sink.messages[1].text, "PKG/A.EPT");
    EXPECT_EQ(p.sink.messages[1].caption, "");
}

TEST(ExtractFiles, EncodesCountedEptFilesAndStepsPerEntry) {
    Passes p;
    const std::string ept = Ept(2000);
    const auto path = p.Archive(
        Rar4Writer().Folder("PKG").File("PKG\\A.EPT", ept).File("PKG\\B.TXT", "text").Bytes());
    EXPECT_EQ(p.job.ExtractFiles(path, 0), PassEnd::Complete);
    EXPECT_EQ(p.job.Pos(), 3);
    EXPECT_EQ(p.sink.positions, (std::vector<int>{1, 2, 3}));
    EXPECT_FALSE(fs::exists(p.Staging() / "PKG" / "A.EPT"));
    ASSERT_TRUE(fs::exists(p.Staging() / "PKG" / "A.EXE"));
    EXPECT_EQ(ReadFile(p.Staging() / "PKG" / "B.TXT"), "text");

    // The image is the encoder's, byte for byte, for the package's identity.
    WriteFile(p.dir / "ref" / "A.EPT", ept);
    Encrypt reference((p.dir / "ref" / "A.EPT").string(), &p.job.Info());
    ASSERT_TRUE(reference.Encode());
    EXPECT_EQ(ReadFile(p.Staging() / "PKG" / "A.EXE"), ReadFile(p.dir / "ref" / "A.EXE"));
    EXPECT_TRUE(p.sink.messages.empty());
}

TEST(ExtractFiles, EptRuleTakesLastFourCharactersAnyCaseAndAttributeExactly0x20) {
    Passes p;
    const auto path = p.Archive(Rar4Writer()
                                    .File("a.ept", Ept(600))
                                    .File("b.Ept", Ept(600))
                                    .File("c.EPTX", "keep")
                                    .File("d.EPT", "read-only stays", 0x21)
                                    .File("eEPT", "no dot")
                                    .Bytes());
    EXPECT_EQ(p.job.ExtractFiles(path, 0), PassEnd::Complete);
    const auto s = p.Staging();
    EXPECT_TRUE(fs::exists(s / "a.EXE"));
    EXPECT_FALSE(fs::exists(s / "a.ept"));
    EXPECT_TRUE(fs::exists(s / "b.EXE"));
    EXPECT_EQ(ReadFile(s / "c.EPTX"), "keep");
    EXPECT_EQ(ReadFile(s / "d.EPT"), "read-only stays");
    EXPECT_FALSE(fs::exists(s / "d.EXE"));
    EXPECT_EQ(ReadFile(s / "eEPT"), "no dot");
}

TEST(ExtractFiles, DamagedThirdEntryStopsThePassAsDamaged) {
    Passes p;
    testsupport::Rar4Entry bad;
    bad.name = "C.TXT";
    bad.data = "damaged";
    bad.badDataCrc = true;
    const auto path = p.Archive(
        Rar4Writer().File("A.TXT", "a").File("B.TXT", "b").Add(bad).File("D.TXT", "d").Bytes());
    EXPECT_EQ(p.job.GetFileCount(path, 0), 4);  // skipping reads no data
    EXPECT_EQ(p.job.ExtractFiles(path, 0), PassEnd::Damaged);
    EXPECT_TRUE(fs::exists(p.Staging() / "A.TXT"));
    EXPECT_TRUE(fs::exists(p.Staging() / "B.TXT"));
    EXPECT_FALSE(fs::exists(p.Staging() / "D.TXT"));
    EXPECT_EQ(p.job.Pos(), 2);
}

TEST(ExtractFiles, BrokenHeaderPrintsOneLineAndShowsNothing) {
    Passes p;
    testsupport::Rar4Entry bad;
    bad.name = "B.TXT";
    bad.data = "b";
    bad.badHeaderCrc = true;
    const auto path = p.Archive(Rar4Writer().File("A.TXT", "a").Add(bad).Bytes());
    testing::internal::CaptureStdout();
    const PassEnd end = p.job.ExtractFiles(path, 0);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(end, PassEnd::BrokenHeader);
    EXPECT_EQ(out, "\nFile header broken");
    EXPECT_TRUE(p.sink.messages.empty());
}

TEST(ExtractFiles, TestModesShowNamesAndWriteNothing) {
    Passes p;
    const auto path = p.Archive(Rar4Writer().File("A.EPT", Ept(600)).Bytes());
    EXPECT_EQ(p.job.ExtractFiles(path, 2), PassEnd::Complete);
    ASSERT_EQ(p.sink.messages.size(), 1u);
    EXPECT_EQ(p.sink.messages[0].text, "A.EPT");
    EXPECT_FALSE(fs::exists(p.Staging() / "A.EPT"));
    EXPECT_FALSE(fs::exists(p.Staging() / "A.EXE"));
}

TEST(ExtractFiles, GbkNamesFromWindowsLandWithTheirCharacters) {
    Passes p;
    // platform::Utf8Path("升级\固件.EPT") and "说明.txt" in code page 936, no Unicode copy.
    const std::string folder = "\xc9\xfd\xbc\xb6";
    const std::string ept = folder + "\\\xb9\xcc\xbc\xfe.EPT";
    const std::string txt = folder + "\\\xcb\xb5\xc3\xf7.txt";
    const auto path =
        p.Archive(Rar4Writer().Folder(folder).File(ept, Ept(700)).File(txt, "doc").Bytes());
    EXPECT_EQ(p.job.GetFileCount(path, 0), 2);
    EXPECT_EQ(p.job.ExtractFiles(path, 0), PassEnd::Complete);
    EXPECT_EQ(ReadFile(p.Staging() / platform::Utf8Path("升级") / platform::Utf8Path("说明.txt")),
              "doc");
    EXPECT_TRUE(
        fs::exists(p.Staging() / platform::Utf8Path("升级") / platform::Utf8Path("固件.EXE")));
    EXPECT_FALSE(
        fs::exists(p.Staging() / platform::Utf8Path("升级") / platform::Utf8Path("固件.EPT")));
    EXPECT_EQ(p.job.Pos(), 3);
}

// 0xCB 0xB5 ("说") also reads as UTF-8; the header's missing Unicode copy
// says it is code page 936.
TEST(ExtractFiles, GbkNameThatReadsAsUtf8LandsAsGbk) {
    Passes p;
    const auto path = p.Archive(Rar4Writer().File("\xcb\xb5.TXT", "x").WithoutEnd().Bytes());
    EXPECT_EQ(p.job.ExtractFiles(path, 0), PassEnd::Complete);
    EXPECT_EQ(ReadFile(p.Staging() / platform::Utf8Path("说.TXT")), "x");
}

TEST(ExtractFiles, GbkTrailByte5CIsNoFolderSeparator) {
    Passes p;
    // U+4E57 is 0x81 0x5C in code page 936: its second byte is a backslash.
    const std::string name = "\x81\x5c.txt";
    const auto path = p.Archive(Rar4Writer().File(name, "x").Bytes());
    EXPECT_EQ(p.job.ExtractFiles(path, 0), PassEnd::Complete);
    EXPECT_EQ(ReadFile(p.Staging() / platform::Utf8Path("乗.txt")), "x");
}

TEST(ExtractFiles, ArchiveWithoutEndBlockIsComplete) {
    Passes p;
    const auto path = p.Archive(Rar4Writer().File("A.TXT", "a").WithoutEnd().Bytes());
    EXPECT_EQ(p.job.ExtractFiles(path, 0), PassEnd::Complete);
    EXPECT_EQ(ReadFile(p.Staging() / "A.TXT"), "a");
    // A volume always carries its end block: without it, it was cut.
    const auto cut = p.Archive(Rar4Writer().AsVolume().File("B.TXT", "b").WithoutEnd().Bytes());
    EXPECT_EQ(p.job.ExtractFiles(cut, 0), PassEnd::Damaged);
    const auto whole = p.Archive(Rar4Writer().AsVolume().File("C.TXT", "c").Bytes());
    EXPECT_EQ(p.job.ExtractFiles(whole, 0), PassEnd::Complete);
}

}  // namespace
