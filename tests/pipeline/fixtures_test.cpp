// The passes over real archives made by other tools (../shared/fixtures/rar):
// compressed, solid, PPMd, filters, Unicode names, RAR 4 and RAR 5, folders
// before and after their files, broken ones.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "JobHarness.h"
#include "platform/Utf8.h"
#include "support/Rar4Writer.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using pipeline::PassEnd;
using testsupport::ReadFile;
using testsupport::WriteFile;

std::string Fixture(const std::string& name) {
    return ReadFile(testsupport::FixturesDir() / "rar" / name);
}

#define SKIP_WITHOUT_FIXTURES()                                                   \
    if (testsupport::FixturesDir().empty()) {                                     \
        GTEST_SKIP() << "shared fixtures folder absent: " << OSTREL_FIXTURES_DIR; \
    }

struct Passes {
    testsupport::TempDir dir;
    testsupport::RecordingSink sink;
    pipeline::UpgradeJob job{sink, dir.path().string(), testsupport::NoPauses()};

    std::string Archive(const std::string& bytes) {
        WriteFile(dir / "a.rar", bytes);
        return (dir / "a.rar").string();
    }
    fs::path Staging() const { return dir / "Temp"; }
    int FilesInStaging() const {
        int n = 0;
        for (const auto& e : fs::recursive_directory_iterator(Staging())) {
            n += e.is_regular_file() ? 1 : 0;
        }
        return n;
    }
};

TEST(FixtureCount, OnlyWindowsFilesWithAttributeWord0x20Count) {
    SKIP_WITHOUT_FIXTURES();
    const std::map<std::string, int> expected{{"la_rar_windows.rar", 3},
                                              {"la_rar_unicode.rar", 2},
                                              {"la_rar_filter.rar", 1},
                                              {"rf_unicode2.rar", 2},
                                              {"rf_rar3-readonly-win.rar", 0},
                                              {"rf_rar5-readonly-win.rar", 0},
                                              {"la_rar_binary_data.rar", 0},
                                              {"la_rar_compress_best.rar", 0},
                                              {"rf_rar3-solid.rar", 0},
                                              {"rf_rar5-subdirs.rar", 0},
                                              {"la_rar_ppmd_lzss_conversion.rar", 0}};
    for (const auto& [name, count] : expected) {
        Passes p;
        EXPECT_EQ(p.job.GetFileCount(p.Archive(Fixture(name)), 0), count) << name;
    }
}

// With host and attribute fields rewritten to Windows values every file
// counts, and every compressed method extracts to a clean end.
TEST(FixtureExtract, RewrittenArchivesCountEveryFileAndExtractWhole) {
    SKIP_WITHOUT_FIXTURES();
    const std::map<std::string, int> files{
        {"la_rar_binary_data.rar", 2},   {"la_rar_compress_best.rar", 4},
        {"la_rar_filter.rar", 1},        {"la_rar_multi_lzss_blocks.rar", 1},
        {"la_rar_windows.rar", 3},       {"rf_rar3-readonly-win.rar", 1},
        {"rf_rar3-solid.rar", 2},        {"rf_rar3-subdirs.rar", 4},
        {"rf_rar5-readonly-win.rar", 1}, {"rf_rar5-subdirs.rar", 4},
        {"rf_seektest.rar", 2},          {"rf_unicode2.rar", 2},
        {"la_rar_noeof.rar", 1}};
    for (const auto& [name, count] : files) {
        Passes p;
        const auto path = p.Archive(testsupport::WithWindowsAttributes(Fixture(name)));
        EXPECT_EQ(p.job.GetFileCount(path, 0), count) << name;
        EXPECT_EQ(p.job.ExtractFiles(path, 0), PassEnd::Complete) << name;
        EXPECT_EQ(p.FilesInStaging(), count) << name;
    }
}

TEST(FixtureExtract, SolidAndNestedContentArrivesIntact) {
    SKIP_WITHOUT_FIXTURES();
    Passes p;
    const auto path = p.Archive(testsupport::WithWindowsAttributes(Fixture("rf_rar3-subdirs.rar")));
    ASSERT_EQ(p.job.ExtractFiles(path, 0), PassEnd::Complete);
    EXPECT_EQ(ReadFile(p.Staging() / "sub" / "with space" / "long fn.txt").size(), 8u);
    EXPECT_EQ(ReadFile(p.Staging() / "sub" / platform::Utf8Path("üȵĩöḋè") / "file.txt").size(), 5u);
    EXPECT_TRUE(fs::is_directory(p.Staging() / "sub" / "empty"));
    // Folder entries after their files: every entry moved the bar.
    EXPECT_EQ(p.job.Pos(), 10);

    Passes solid;
    const auto solidPath =
        solid.Archive(testsupport::WithWindowsAttributes(Fixture("rf_rar3-solid.rar")));
    ASSERT_EQ(solid.job.ExtractFiles(solidPath, 0), PassEnd::Complete);
    EXPECT_EQ(ReadFile(solid.Staging() / "stest2.txt").size(), 2048u);
}

TEST(FixtureExtract, UnicodeNamesFromWindowsLandAsStored) {
    SKIP_WITHOUT_FIXTURES();
    Passes p;
    ASSERT_EQ(p.job.ExtractFiles(p.Archive(Fixture("la_rar_unicode.rar")), 0), PassEnd::Complete);
    EXPECT_EQ(ReadFile(p.Staging() / platform::Utf8Path("表だよ") /
                       platform::Utf8Path("漢字長いファイル名long-filename-in-漢字.txt"))
                  .size(),
              5u);
    EXPECT_TRUE(fs::exists(p.Staging() / platform::Utf8Path("表だよ") /
                           platform::Utf8Path("新しいフォルダ") /
                           platform::Utf8Path("新規テキスト ドキュメント.txt")));
}

TEST(FixtureExtract, BrokenArchiveIsDamaged) {
    SKIP_WITHOUT_FIXTURES();
    Passes p;
    const auto path = p.Archive(testsupport::WithWindowsAttributes(Fixture("la_rar_invalid1.rar")));
    testing::internal::CaptureStdout();
    const PassEnd end = p.job.ExtractFiles(path, 0);
    testing::internal::GetCapturedStdout();
    EXPECT_NE(end, PassEnd::Complete);
}

// A RAR 5 archive always ends with its end-of-archive header: one cut short
// after an entry reads to a clean end in the library, and is caught here.
TEST(FixtureExtract, Rar5WithoutEndHeaderIsDamagedButRar4WithoutEndBlockIsNot) {
    SKIP_WITHOUT_FIXTURES();
    const std::string whole = testsupport::WithWindowsAttributes(Fixture("rf_rar5-subdirs.rar"));
    const std::string endHeader("\x1d\x77\x56\x51\x03\x05\x04\x00", 8);
    ASSERT_TRUE(whole.ends_with(endHeader));
    Passes cut;
    const auto cutPath = cut.Archive(whole.substr(0, whole.size() - endHeader.size()));
    EXPECT_EQ(cut.job.GetFileCount(cutPath, 0), 4);
    EXPECT_EQ(cut.job.ExtractFiles(cutPath, 0), PassEnd::Damaged);

    Passes sound;
    EXPECT_EQ(sound.job.ExtractFiles(sound.Archive(whole), 0), PassEnd::Complete);

    Passes noEof;
    const auto noEofPath =
        noEof.Archive(testsupport::WithWindowsAttributes(Fixture("la_rar_noeof.rar")));
    EXPECT_EQ(noEof.job.ExtractFiles(noEofPath, 0), PassEnd::Complete);
    EXPECT_EQ(ReadFile(noEof.Staging() / "test.txt").size(), 20u);
}

}  // namespace
