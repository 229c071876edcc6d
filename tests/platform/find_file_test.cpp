// Directory search: FindFirstFileA/FindNextFileA/FindClose.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "EnvGuard.h"
#include "platform/Win32.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using testsupport::TempDir;
using testsupport::WriteFile;

struct Found {
    std::string name;
    DWORD attributes;
};

std::vector<Found> Search(const std::string& pattern) {
    std::vector<Found> found;
    WIN32_FIND_DATAA data{};
    HANDLE h = FindFirstFileA(pattern.c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) return found;
    do {
        found.push_back({data.cFileName, data.dwFileAttributes});
    } while (FindNextFileA(h, &data));
    EXPECT_TRUE(FindClose(h));
    return found;
}

std::vector<std::string> Names(const std::vector<Found>& found) {
    std::vector<std::string> names;
    for (const auto& f : found) names.push_back(f.name);
    return names;
}

// Names in mixed case, with punctuation that sorts around the letters once
// upper-cased, dots, and UTF-8 names (bytes above 0x7F sort last).
class MixedFolder : public ::testing::Test {
protected:
    TempDir dir;
    void SetUp() override {
        for (const char* name : {"b", "a", "A", "alpha", "a.txt", "Zeta", "_x", "~y", ".hidden",
                                 "升级.txt", "Émile", "B2"}) {
            WriteFile(dir / name, name);
        }
        fs::create_directories(dir / "Sub");
        fs::create_directories(dir / "sub2" / "deep");
        fs::create_directory_symlink("/", dir / "linkToRoot");
    }
};

TEST_F(MixedFolder, DotsFirstThenOrdinalOrderOfUpperCasedNames) {
    const std::vector<std::string> expected{
        ".",          "..",  ".hidden", "A",    "a",  "a.txt", "alpha", "b",       "B2",
        "linkToRoot", "Sub", "sub2",    "Zeta", "_x", "~y",    "Émile", "升级.txt"};
    EXPECT_EQ(Names(Search((dir.path() / "*.*").string())), expected);
    EXPECT_EQ(Names(Search((dir.path() / "*").string())), expected);
}

TEST_F(MixedFolder, FoldersCarryTheDirectoryAttributeLinksDoNot) {
    for (const auto& f : Search(dir.path().string() + "\\*.*")) {
        const bool folder = f.name == "." || f.name == ".." || f.name == "Sub" || f.name == "sub2";
        EXPECT_EQ((f.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0, folder) << f.name;
    }
}

TEST_F(MixedFolder, DriveFormPatternsAndWildcards) {
    EnvGuard drives("OSTREL_DRIVES", "E=" + dir.path().string());
    const auto all = Names(Search("E:\\*.*"));
    ASSERT_FALSE(all.empty());
    EXPECT_EQ(all.size(), 17u);
    EXPECT_EQ(Names(Search("E:\\sub2\\*.*")), (std::vector<std::string>{".", "..", "deep"}));
    EXPECT_EQ(Names(Search("E:/*.TXT")), (std::vector<std::string>{"a.txt", "升级.txt"}));
    EXPECT_EQ(Names(Search("E:\\alpha")), (std::vector<std::string>{"alpha"}));
}

TEST_F(MixedFolder, MissingFoldersAndUnknownDrivesGiveNoHandle) {
    EnvGuard drives("OSTREL_DRIVES", "");
    WIN32_FIND_DATAA data{};
    errno = 0;
    EXPECT_EQ(FindFirstFileA((dir.path() / "nothing" / "*.*").c_str(), &data),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(errno, ENOENT);
    errno = 0;
    EXPECT_EQ(FindFirstFileA("Q:\\*.*", &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(FindFirstFileA((dir.path() / "*.none").c_str(), &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(FindFirstFileA(nullptr, &data), INVALID_HANDLE_VALUE);
}

TEST_F(MixedFolder, SearchEndsWithFalseAndStaysEnded) {
    WIN32_FIND_DATAA data{};
    HANDLE h = FindFirstFileA((dir.path() / "sub2" / "*.*").c_str(), &data);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(FindNextFileA(h, &data));
    EXPECT_TRUE(FindNextFileA(h, &data));
    EXPECT_STREQ(data.cFileName, "deep");
    EXPECT_FALSE(FindNextFileA(h, &data));
    EXPECT_FALSE(FindNextFileA(h, &data));
    EXPECT_TRUE(FindClose(h));
}

TEST(FindFile, ReadOnlyFilesCarryTheAttribute) {
    TempDir dir;
    WriteFile(dir / "ro", "x");
    fs::permissions(dir / "ro", fs::perms::owner_read | fs::perms::group_read);
    WIN32_FIND_DATAA data{};
    HANDLE h = FindFirstFileA((dir.path() / "ro").c_str(), &data);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(data.cFileName, "ro");
    EXPECT_NE(data.dwFileAttributes & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_EQ(data.nFileSizeHigh, 0u);
    EXPECT_EQ(data.nFileSizeLow, 1u);
    EXPECT_FALSE(FindNextFileA(h, &data));
    EXPECT_TRUE(FindClose(h));
}

}  // namespace
