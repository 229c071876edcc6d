#include "pipeline/Descrambler.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "platform/File.h"
#include "platform/Path.h"
#include "support/PackageMaker.h"
#include "support/TempDir.h"
#include "support/TmpfsMount.h"

namespace {

using testsupport::KeyBlock;
using testsupport::MakeDeviceInfo;
using testsupport::MakePackage;
using testsupport::RandomBytes;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

constexpr std::size_t kHead = 384;

struct Result {
    std::string archive;
    DeviceInfo info;
};

Result Descramble(const TempDir& dir, const std::string& package) {
    WriteFile(dir / "package.rar", package);
    Result result{};
    DescramblePackage((dir / "package.rar").string(), (dir / "TEMP.TMP").string(), result.info);
    result.archive = ReadFile(dir / "TEMP.TMP");
    return result;
}

DeviceInfo Filled(std::uint8_t value) {
    DeviceInfo info;
    info.fill(value);
    return info;
}

// Archive lengths around the block size and the descrambler's many-block reads:
// packages of 384, 385, 639, 640 bytes and tails of 0 and 255 bytes among them.
class DescrambleRoundTrip : public ::testing::TestWithParam<std::size_t> {};

TEST_P(DescrambleRoundTrip, GivesBackTheArchiveAndTheHiddenDeviceInfo) {
    TempDir dir;
    const std::string archive = RandomBytes(GetParam(), static_cast<std::uint32_t>(GetParam()));
    const DeviceInfo info = MakeDeviceInfo("SN0123456789", "3dA0ff17", "V1.2");
    const std::string package = MakePackage(archive, info, 7);
    ASSERT_EQ(package.size(), kHead + archive.size());

    const Result result = Descramble(dir, package);
    EXPECT_EQ(result.archive.size(), archive.size());
    EXPECT_TRUE(result.archive == archive);
    EXPECT_EQ(result.info, info);
    EXPECT_EQ(ReadFile(dir / "package.rar"), package) << "the package must stay as it was";
}

INSTANTIATE_TEST_SUITE_P(ArchiveLengths, DescrambleRoundTrip,
                         ::testing::Values(0, 1, 255, 256, 257, 511, 512, 262143, 262144, 262145,
                                           262144 + 255, 6 * 262144 + 17));

TEST(DescramblerTest, PackagesOf384BytesOrLessGiveAnEmptyArchive) {
    for (std::size_t size : {0, 1, 127, 128, 129, 383, 384}) {
        TempDir dir;
        WriteFile(dir / "TEMP.TMP", "left over from an earlier job");
        const Result result = Descramble(dir, RandomBytes(size, 3));
        EXPECT_TRUE(result.archive.empty()) << size;
    }
}

TEST(DescramblerTest, PackagesShorterThanABlockPastTheHeadAreTheirTail) {
    for (std::size_t size : {385, 500, 639}) {
        TempDir dir;
        const std::string package = RandomBytes(size, 4);
        EXPECT_EQ(Descramble(dir, package).archive, package.substr(kHead)) << size;
    }
}

TEST(DescramblerTest, ABlockOfZerosComesOutAsTheKey) {
    TempDir dir;
    KeyBlock key{};
    const std::string keyBytes = RandomBytes(key.size(), 11);
    std::copy(keyBytes.begin(), keyBytes.end(), key.begin());
    const std::string package = std::string(128, 'L') + keyBytes + std::string(256, '\0');
    EXPECT_EQ(Descramble(dir, package).archive, keyBytes);
}

TEST(DescramblerTest, OutputByteIsMirroredInputByteXorKey) {
    TempDir dir;
    const std::string keyBytes = RandomBytes(256, 12);
    const std::string block = RandomBytes(256, 13);
    const std::string archive = Descramble(dir, std::string(128, '\0') + keyBytes + block).archive;
    ASSERT_EQ(archive.size(), 256u);
    for (std::size_t j = 0; j < 256; ++j) {
        ASSERT_EQ(static_cast<std::uint8_t>(archive[j]),
                  static_cast<std::uint8_t>(block[255 - j] ^ keyBytes[j]))
            << j;
    }
}

TEST(DescramblerTest, DeviceInfoComesFromEveryFifthKeyByteInvertedAndHalvesExchanged) {
    TempDir dir;
    std::string key(256, '\0');
    EXPECT_EQ(Descramble(dir, std::string(128, '\0') + key).info, Filled(0xFF));

    key[2] = '\x12';
    key[7] = '\xF0';
    key[217] = '\x0F';
    key[3] = '\x55';  // keys blocks only
    const DeviceInfo info = Descramble(dir, std::string(128, '\0') + key).info;
    EXPECT_EQ(info[0], 0xDE);
    EXPECT_EQ(info[1], 0xF0);
    EXPECT_EQ(info[43], 0x0F);
    for (std::size_t p = 2; p < 43; ++p) EXPECT_EQ(info[p], 0xFF) << p;
}

TEST(DescramblerTest, TheLeadPlaysNoPart) {
    TempDir dir;
    const std::string archive = RandomBytes(1000, 21);
    KeyBlock key{};
    key[2] = 0x34;
    const Result first = Descramble(dir, MakePackage(archive, key, std::string(128, '\0')));
    const Result second = Descramble(dir, MakePackage(archive, key, RandomBytes(128, 22)));
    EXPECT_EQ(first.archive, archive);
    EXPECT_EQ(second.archive, archive);
    EXPECT_EQ(first.info, second.info);
}

TEST(DescramblerTest, DrivePathsWork) {
    TempDir dir;
    const std::string archive = RandomBytes(700, 5);
    testsupport::WritePackage(dir / "UPDATE.rar", archive, Filled(0x41));
    DeviceInfo info{};
    DescramblePackage(platform::ToDrivePath(dir / "UPDATE.rar"),
                      platform::ToDrivePath(dir / "TEMP.TMP"), info);
    EXPECT_EQ(ReadFile(dir / "TEMP.TMP"), archive);
    EXPECT_EQ(info, Filled(0x41));
}

// Expects DescramblePackage to raise for operation and errno, leaving the package as it was.
void ExpectDescrambleError(const std::filesystem::path& package, const std::string& scratch,
                           const std::string& operation, int error) {
    const bool hadPackage = std::filesystem::is_regular_file(package);
    const std::string before = hadPackage ? ReadFile(package) : "";
    DeviceInfo info = Filled(0x5A);
    try {
        DescramblePackage(package.string(), scratch, info);
        ADD_FAILURE() << "no CFileException";
    } catch (const CFileException& e) {
        EXPECT_EQ(std::string(e.what()).rfind("cannot " + operation + " ", 0), 0u) << e.what();
        EXPECT_EQ(e.Error(), error) << e.what();
    }
    EXPECT_EQ(info, Filled(0x5A)) << "no DeviceInfo from a failed descrambling";
    if (hadPackage) {
        EXPECT_EQ(ReadFile(package), before) << "the package must stay as it was";
    }
}

TEST(DescramblerTest, UnreadablePackageRaisesAndCreatesNothing) {
    TempDir dir;
    ExpectDescrambleError(dir / "missing.rar", (dir / "TEMP.TMP").string(), "open", ENOENT);
    EXPECT_FALSE(std::filesystem::exists(dir / "TEMP.TMP"));
    std::filesystem::create_directory(dir / "folder.rar");
    ExpectDescrambleError(dir / "folder.rar", (dir / "TEMP.TMP").string(), "open", EISDIR);
}

TEST(DescramblerTest, UnwritableScratchRaises) {
    TempDir dir;
    testsupport::WritePackage(dir / "p.rar", RandomBytes(5000, 8), Filled(1));
    ExpectDescrambleError(dir / "p.rar", (dir / "no" / "TEMP.TMP").string(), "open", ENOENT);
    // A path through a regular file.
    ExpectDescrambleError(dir / "p.rar", (dir / "p.rar" / "TEMP.TMP").string(), "open", ENOTDIR);
}

TEST(DescramblerTest, ScratchNamingThePackageIsRefusedBeforeItIsEmptied) {
    TempDir dir;
    testsupport::WritePackage(dir / "p.rar", RandomBytes(5000, 9), Filled(1));
    ExpectDescrambleError(dir / "p.rar", (dir / "p.rar").string(), "create", EEXIST);
    std::filesystem::create_hard_link(dir / "p.rar", dir / "TEMP.TMP");
    ExpectDescrambleError(dir / "p.rar", (dir / "TEMP.TMP").string(), "create", EEXIST);
}

TEST(DescramblerTest, FullScratchDiskRaisesInsteadOfLeavingAShortArchive) {
    testsupport::TmpfsMount disk(128 * 1024);
    if (!disk.Mounted()) GTEST_SKIP() << disk.Error();
    TempDir dir;
    testsupport::WritePackage(dir / "p.rar", RandomBytes(600 * 1024, 10), Filled(1));
    ExpectDescrambleError(dir / "p.rar", (disk / "TEMP.TMP").string(), "write", ENOSPC);
    EXPECT_FALSE(std::filesystem::exists(disk / "TEMP.TMP"));
}

}  // namespace
