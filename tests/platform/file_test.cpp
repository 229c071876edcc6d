#include "platform/File.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/Path.h"
#include "platform/Stream.h"
#include "support/TempDir.h"
#include "support/TmpfsMount.h"

namespace {

using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

// Expects body to raise CFileException for operation on path with error.
template <typename Body>
void ExpectFileError(Body body, const std::string& operation, const std::string& path, int error) {
    try {
        body();
        ADD_FAILURE() << "no CFileException for " << operation << " " << path;
    } catch (const CFileException& e) {
        EXPECT_EQ(std::string(e.what()).rfind("cannot " + operation + " ", 0), 0u) << e.what();
        EXPECT_EQ(e.Path(), path);
        EXPECT_EQ(e.Error(), error) << e.what();
        EXPECT_NE(std::string(e.what()).find(std::strerror(error)), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
}

TEST(FileTest, WritesReadsSeeksAndMeasures) {
    TempDir dir;
    const std::string path = (dir / "data.bin").string();
    std::string bytes(1000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
    {
        CFile file(path, CFile::modeCreate | CFile::modeWrite);
        file.Write(bytes.data(), static_cast<unsigned>(bytes.size()));
        file.Close();
        EXPECT_FALSE(file.IsOpen());
    }
    CFile file(path, CFile::modeRead);
    EXPECT_EQ(file.GetLength(), 1000u);
    EXPECT_EQ(file.Seek(600, CFile::begin), 600u);
    std::string back(1000, '\0');
    // A read across the end comes back short, then empty.
    EXPECT_EQ(file.Read(back.data(), 1000), 400u);
    EXPECT_EQ(back.substr(0, 400), bytes.substr(600));
    EXPECT_EQ(file.Read(back.data(), 1000), 0u);
    EXPECT_EQ(file.Seek(-10, CFile::end), 990u);
}

TEST(FileTest, CreateEmptiesAnExistingFileAndDrivePathsReachIt) {
    TempDir dir;
    WriteFile(dir / "old.bin", std::string(5000, 'x'));
    const std::string drivePath = platform::ToDrivePath(dir / "old.bin");
    ASSERT_EQ(drivePath.substr(0, 3), "C:\\");
    CFile file(drivePath, CFile::modeCreate | CFile::modeWrite);
    file.Write("abc", 3);
    file.Close();
    EXPECT_EQ(ReadFile(dir / "old.bin"), "abc");
}

TEST(FileTest, OpenFailuresCarryPathAndSystemMessage) {
    TempDir dir;
    const std::string missing = (dir / "missing.bin").string();
    ExpectFileError([&] { CFile file(missing, CFile::modeRead); }, "open", missing, ENOENT);

    const std::string folder = dir.path().string();
    ExpectFileError([&] { CFile file(folder, CFile::modeRead); }, "open", folder, EISDIR);

    const std::string inMissingFolder = (dir / "no" / "such.bin").string();
    ExpectFileError([&] { CFile file(inMissingFolder, CFile::modeCreate | CFile::modeWrite); },
                    "open", inMissingFolder, ENOENT);

    const std::string unknownDrive = "Q:\\PKG\\UPDATE.RAR";
    if (platform::ToNativePath(unknownDrive)) GTEST_SKIP() << "drive Q: exists on this machine";
    ExpectFileError([&] { CFile file(unknownDrive, CFile::modeRead); }, "open", unknownDrive,
                    ENOENT);
}

TEST(FileTest, WriteToAFullVolumeRaises) {
    testsupport::TmpfsMount disk(64 * 1024);
    if (!disk.Mounted()) GTEST_SKIP() << disk.Error();
    const std::string path = (disk / "big.bin").string();
    CFile file(path, CFile::modeCreate | CFile::modeWrite);
    const std::string block(16 * 1024, 'z');
    ExpectFileError(
        [&] {
            for (int i = 0; i < 16; ++i)
                file.Write(block.data(), static_cast<unsigned>(block.size()));
        },
        "write", path, ENOSPC);
}

TEST(FileTest, CreateOnAReadOnlyVolumeRaises) {
    testsupport::TmpfsMount disk(64 * 1024);
    if (!disk.Mounted()) GTEST_SKIP() << disk.Error();
    if (!disk.RemountReadOnly()) GTEST_SKIP() << disk.Error();
    const std::string path = (disk / "new.bin").string();
    ExpectFileError([&] { CFile file(path, CFile::modeCreate | CFile::modeWrite); }, "open", path,
                    EROFS);
}

TEST(FileTest, SameFileSeesThroughHardLinks) {
    TempDir dir;
    WriteFile(dir / "a.bin", "a");
    WriteFile(dir / "b.bin", "a");
    std::filesystem::create_hard_link(dir / "a.bin", dir / "hard.bin");
    const auto a = (dir / "a.bin").string();
    EXPECT_TRUE(platform::IsSameFile(a, (dir / "hard.bin").string()));
    EXPECT_TRUE(platform::IsSameFile(a, platform::ToDrivePath(dir / "a.bin")));
    EXPECT_FALSE(platform::IsSameFile(a, (dir / "b.bin").string()));
    EXPECT_FALSE(platform::IsSameFile(a, (dir / "missing.bin").string()));
}

TEST(StreamTest, OpensDriveAndNativePathsAndRefusesUnknownDrives) {
    TempDir dir;
    WriteFile(dir / "s.bin", "xyz");
    std::FILE* native = platform::OpenStream((dir / "s.bin").string(), "rb");
    ASSERT_NE(native, nullptr);
    EXPECT_EQ(std::fgetc(native), 'x');
    std::fclose(native);

    std::FILE* created = platform::OpenStream(platform::ToDrivePath(dir / "t.bin"), "wb");
    ASSERT_NE(created, nullptr);
    std::fputc('q', created);
    std::fclose(created);
    EXPECT_EQ(ReadFile(dir / "t.bin"), "q");
    EXPECT_TRUE(platform::RemoveFile(platform::ToDrivePath(dir / "t.bin")));
    EXPECT_FALSE(std::filesystem::exists(dir / "t.bin"));

    if (platform::ToNativePath("Q:\\X.BIN")) GTEST_SKIP() << "drive Q: exists on this machine";
    errno = 0;
    EXPECT_EQ(platform::OpenStream("Q:\\X.BIN", "rb"), nullptr);
    EXPECT_EQ(errno, ENOENT);
}

}  // namespace
