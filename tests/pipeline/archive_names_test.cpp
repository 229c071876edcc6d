// Entry names: which are taken for code page 936, how stored paths are kept
// inside the staging folder.
#include <gtest/gtest.h>

#include <string>

#include "pipeline/ArchiveNames.h"
#include "pipeline/Rar4Names.h"
#include "support/Rar4Writer.h"
#include "support/TempDir.h"

namespace {

using pipeline::ContainedPath;
using pipeline::LandingName;

constexpr auto kUnknown = pipeline::NameForm::Unknown;
constexpr auto kCodePage = pipeline::NameForm::CodePage;
constexpr auto kUnicode = pipeline::NameForm::Unicode;

TEST(ArchiveNames, CodePageNamesFromWindowsHostsAreTakenForGbk) {
    bool converted = false;
    EXPECT_EQ(LandingName("\xc9\xfd\xbc\xb6/a.EPT", L"", 2, kUnknown, converted), "升级/a.EPT");
    EXPECT_TRUE(converted);
    EXPECT_EQ(LandingName("\xc9\xfd\xbc\xb6", L"", 0, kCodePage, converted), "升级");  // MS-DOS
    // The same bytes from a Unix host are left to the library.
    EXPECT_EQ(LandingName("\xc9\xfd\xbc\xb6", L"", 3, kUnknown, converted), "\xc9\xfd\xbc\xb6");
    EXPECT_FALSE(converted);
    EXPECT_EQ(LandingName("升级/固件.EPT", L"升级/固件.EPT", 2, kUnicode, converted),
              "升级/固件.EPT");
    EXPECT_FALSE(converted);
    // Bytes that are not GBK either stay as they came.
    EXPECT_EQ(LandingName("\xff\xff", L"", 2, kUnknown, converted), "\xff\xff");
    EXPECT_FALSE(converted);
}

// "说" is 0xCB 0xB5 in code page 936, which is also valid UTF-8 (U+02F5):
// only the header can tell.
TEST(ArchiveNames, GbkThatReadsAsUtf8IsConvertedWhereTheHeaderSaysCodePage) {
    bool converted = false;
    EXPECT_EQ(LandingName("\xcb\xb5.TXT", L"", 2, kCodePage, converted), "说.TXT");
    EXPECT_TRUE(converted);
    EXPECT_EQ(LandingName("\xcb\xb5.TXT", L"", 2, kUnknown, converted), "\xcb\xb5.TXT");
    EXPECT_FALSE(converted);
    EXPECT_EQ(LandingName("plain.TXT", L"", 2, kCodePage, converted), "plain.TXT");
    EXPECT_FALSE(converted);
}

TEST(ArchiveNames, SurrogatePairsBecomeCharactersOutsideTheBasicPlane) {
    bool converted = false;
    EXPECT_EQ(LandingName("", L"\xd835\xdc00.txt", 2, kUnicode, converted), "𝐀.txt");
    EXPECT_TRUE(converted);
    EXPECT_FALSE(pipeline::SurrogateNameToUtf8(L"\xd835.txt"));  // a lone half
    EXPECT_FALSE(pipeline::SurrogateNameToUtf8(L"plain.txt"));
}

TEST(ArchiveNames, ContainedPathDropsClimbsRootsAndDrives) {
    EXPECT_EQ(ContainedPath("PKG/A.EPT"), "PKG/A.EPT");
    EXPECT_EQ(ContainedPath("PKG\\A.EPT"), "PKG/A.EPT");
    EXPECT_EQ(ContainedPath("../../etc/passwd"), "etc/passwd");
    EXPECT_EQ(ContainedPath("a/b/../../../c"), "c");
    EXPECT_EQ(ContainedPath("/abs/x"), "abs/x");
    EXPECT_EQ(ContainedPath("C:\\Windows\\x"), "Windows/x");
    EXPECT_EQ(ContainedPath("./a//b/."), "a/b");
    EXPECT_EQ(ContainedPath(".."), "");
    EXPECT_EQ(ContainedPath("a/C:/b"), "a/C:/b");  // only a leading drive is one
}

TEST(ArchiveNames, EptRuleLooksAtTheLastFourCharacters) {
    EXPECT_TRUE(pipeline::HasEptSuffix("a.ept"));
    EXPECT_TRUE(pipeline::HasEptSuffix("Temp\\PKG/B.Ept"));
    EXPECT_TRUE(pipeline::HasEptSuffix(".EPT"));
    EXPECT_FALSE(pipeline::HasEptSuffix("a.EPTX"));
    EXPECT_FALSE(pipeline::HasEptSuffix("EPT"));
}

}  // namespace

// The name forms pair with the library's entries by position: a file header
// that stands before the main header, which the library passes over, is no
// entry of theirs either.
TEST(Rar4Names, FileHeadersBeforeTheMainHeaderAreNoEntries) {
    const std::string plain = testsupport::Rar4Writer().File("A.TXT", "a").Bytes();
    const std::size_t file = testsupport::Rar4Writer().File("A.TXT", "a").EntryOffsets()[0];
    const std::string marker = plain.substr(0, 7);
    const std::string main = plain.substr(7, file - 7);
    const std::string rest = plain.substr(file);  // the file header, its data, the end
    testsupport::TempDir dir;
    testsupport::WriteFile(dir / "late.rar",
                           marker + rest.substr(0, rest.size() - 7) + main + rest);
    EXPECT_EQ(pipeline::Rar4NameForms(dir / "late.rar").size(), 1u);
    testsupport::WriteFile(dir / "plain.rar", plain);
    EXPECT_EQ(pipeline::Rar4NameForms(dir / "plain.rar").size(), 1u);
}
