#include "encoder/Encrypt.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/Path.h"
#include "support/PackageMaker.h"
#include "support/TempDir.h"
#include "support/TmpfsMount.h"

namespace {

using testsupport::MakeDeviceInfo;
using testsupport::RandomBytes;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

constexpr std::size_t kStamped[20] = {256, 263, 270, 277, 284, 291, 298, 305, 312, 319,
                                      326, 333, 340, 347, 354, 361, 368, 375, 382, 389};

std::uint8_t At(const std::string& bytes, std::size_t i) {
    return static_cast<std::uint8_t>(bytes[i]);
}

std::uint8_t SwapHalves(std::uint8_t v) { return static_cast<std::uint8_t>((v << 4) | (v >> 4)); }

// The image as the encoder's description gives it, one byte at a time: reads
// past the end yield 0xFF, the body stops after the read that finds the end.
std::string ModelImage(const std::string& ept, const DeviceInfo& info) {
    std::size_t position = 0;
    bool ended = false;
    auto next = [&]() -> std::uint8_t {
        if (position < ept.size()) return At(ept, position++);
        ended = true;
        return 0xFF;
    };
    auto nibble = [](std::uint8_t c) -> int {
        return std::isxdigit(c) ? std::stoi(std::string(1, static_cast<char>(c)), nullptr, 16) : 15;
    };
    std::uint8_t stamp[20] = {};
    for (int m = 0; m < 12; ++m) stamp[m] = info[16 + m];
    for (int p = 0; p < 4; ++p)
        stamp[12 + p] =
            static_cast<std::uint8_t>(nibble(info[28 + 2 * p]) * 16 + nibble(info[29 + 2 * p]));

    std::uint8_t written[512];
    std::uint8_t read[512];
    for (auto& byte : read) byte = next();
    std::copy(std::begin(read), std::end(read), written);
    const std::string magic = "QUARVEL ARMF";
    std::copy(magic.begin(), magic.end(), written);
    for (int m = 0; m < 20; ++m) written[kStamped[m]] = static_cast<std::uint8_t>(~stamp[m]);

    std::string image(std::begin(written), std::end(written));
    std::uint8_t key[512];
    for (int l = 0; l < 512; ++l)
        key[l] = SwapHalves(static_cast<std::uint8_t>(written[l] ^ read[l]));
    for (std::size_t l = 0; !ended; l = (l + 1) % 512) {
        image += static_cast<char>(next() ^ key[l]);
    }
    return image;
}

// Writes ept to dir/name, encodes it, returns the image (empty on failure).
std::string EncodeFile(const TempDir& dir, const std::string& ept, const DeviceInfo& info,
                       const std::string& name = "boot.EPT") {
    WriteFile(dir / name, ept);
    Encrypt encoder((dir / name).string(), &info);
    if (!encoder.Encode()) {
        ADD_FAILURE() << "Encode failed: " << std::strerror(errno);
        return {};
    }
    return ReadFile(dir / Encrypt::ImagePath(name));
}

const DeviceInfo kInfo = MakeDeviceInfo("ABCDEFGHIJKL", "3d3DG7zz", "0102");

class EncodeMatchesModel : public ::testing::TestWithParam<std::size_t> {};

// Lengths around the header, the key period and the encoder's 256 KiB chunks.
TEST_P(EncodeMatchesModel, ForEveryLength) {
    TempDir dir;
    const std::size_t length = GetParam();
    const std::string ept = RandomBytes(length, static_cast<std::uint32_t>(length) + 5);
    DeviceInfo info{};
    const std::string noise = RandomBytes(info.size(), 99);
    std::copy(noise.begin(), noise.end(), info.begin());
    const std::string image = EncodeFile(dir, ept, info);
    EXPECT_EQ(image.size(), length < 512 ? 512 : length + 1);
    EXPECT_TRUE(image == ModelImage(ept, info));
    EXPECT_EQ(ReadFile(dir / "boot.EPT"), ept) << "the .EPT must stay as it was";
}

INSTANTIATE_TEST_SUITE_P(Lengths, EncodeMatchesModel,
                         ::testing::Values(0, 1, 11, 12, 300, 511, 512, 513, 1023, 1024, 1025,
                                           262143, 262144, 262145, 262144 + 512,
                                           6 * 262144 + 1001));

TEST(EncryptTest, EmptyEptGivesTheStampedHeaderAlone) {
    TempDir dir;
    const std::string image = EncodeFile(dir, "", kInfo);
    ASSERT_EQ(image.size(), 512u);
    EXPECT_EQ(image.substr(0, 12), "QUARVEL ARMF");
    EXPECT_EQ(At(image, 256), 0xBE);  // ~'A'
    EXPECT_EQ(At(image, 333), static_cast<std::uint8_t>(~'L'));
    for (std::size_t i = 12; i < 512; ++i) {
        if (std::find(std::begin(kStamped), std::end(kStamped), i) != std::end(kStamped)) continue;
        ASSERT_EQ(At(image, i), 0xFF) << i;
    }
}

TEST(EncryptTest, SdPairsDecodeInEitherCaseAndNonDigitsCountAsF) {
    TempDir dir;
    const std::string image = EncodeFile(dir, RandomBytes(600, 1), kInfo);
    EXPECT_EQ(At(image, 340), 0xC2);  // "3d" -> 0x3D
    EXPECT_EQ(At(image, 347), 0xC2);  // "3D" -> 0x3D
    EXPECT_EQ(At(image, 354), 0x08);  // "G7" -> 0xF7
    EXPECT_EQ(At(image, 361), 0x00);  // "zz" -> 0xFF
    for (std::size_t offset : {368, 375, 382, 389}) EXPECT_EQ(At(image, offset), 0xFF) << offset;
}

TEST(EncryptTest, EndByteAndBodyFollowTheKey) {
    TempDir dir;
    const std::string ept511 = RandomBytes(511, 2);
    const std::string image511 = EncodeFile(dir, ept511, kInfo);
    ASSERT_EQ(image511.size(), 512u);
    EXPECT_EQ(At(image511, 511), 0xFF);

    const std::string ept = RandomBytes(1024, 3);
    const std::uint8_t k0 = SwapHalves(static_cast<std::uint8_t>('Q' ^ At(ept, 0)));
    const std::string image512 = EncodeFile(dir, ept.substr(0, 512), kInfo);
    ASSERT_EQ(image512.size(), 513u);
    EXPECT_EQ(At(image512, 512), 0xFF ^ k0);

    const std::string image = EncodeFile(dir, ept, kInfo);
    ASSERT_EQ(image.size(), 1025u);
    EXPECT_EQ(At(image, 1024), 0xFF ^ k0);
    const std::string magic = "QUARVEL ARMF";
    for (std::size_t n = 0; n < 12; ++n) {
        const auto key = SwapHalves(static_cast<std::uint8_t>(magic[n] ^ At(ept, n)));
        EXPECT_EQ(At(image, 512 + n), At(ept, 512 + n) ^ key) << n;
    }
    // Unchanged header offsets key nothing: those body bytes are copied.
    EXPECT_EQ(image.substr(524, 256 - 12), ept.substr(524, 256 - 12));
    EXPECT_EQ(At(image, 512 + 257), At(ept, 512 + 257));
}

TEST(EncryptTest, AnAlreadyStampedEptGivesAZeroKey) {
    TempDir dir;
    const std::string ept = EncodeFile(dir, RandomBytes(2000, 4), kInfo).substr(0, 2000);
    const std::string image = EncodeFile(dir, ept, kInfo);
    EXPECT_EQ(image, ept + "\xFF");
}

TEST(EncryptTest, OnlySerialAndSdReachTheImage) {
    TempDir dir;
    DeviceInfo other = kInfo;
    for (std::size_t i = 0; i < 16; ++i) other[i] = static_cast<std::uint8_t>(i + 1);
    for (std::size_t i = 36; i < 44; ++i) other[i] = static_cast<std::uint8_t>(i);
    const std::string ept = RandomBytes(3000, 5);
    EXPECT_EQ(EncodeFile(dir, ept, kInfo), EncodeFile(dir, ept, other));
}

TEST(EncryptTest, HexValueOfEveryCharacter) {
    for (int c = -128; c < 128; ++c) {
        const char ch = static_cast<char>(c);
        std::uint8_t expected = 255;
        if (ch >= '0' && ch <= '9') expected = static_cast<std::uint8_t>(ch - '0');
        if (ch >= 'a' && ch <= 'f') expected = static_cast<std::uint8_t>(ch - 'a' + 10);
        if (ch >= 'A' && ch <= 'F') expected = static_cast<std::uint8_t>(ch - 'A' + 10);
        EXPECT_EQ(Encrypt::HexValue(ch), expected) << c;
    }
}

TEST(EncryptTest, ImageNameRule) {
    EXPECT_EQ(Encrypt::ImagePath("boot.ept"), "boot.EXE");
    EXPECT_EQ(Encrypt::ImagePath("a.b.EPT"), "a.b.EXE");
    EXPECT_EQ(Encrypt::ImagePath("C:\\opt\\v1.2\\x.Ept"), "C:\\opt\\v1.2\\x.EXE");
    // No extension: the image goes beside the file, never beside its folder.
    EXPECT_EQ(Encrypt::ImagePath("C:\\opt\\v1.2\\boot"), "C:\\opt\\v1.2\\boot.EXE");
    EXPECT_EQ(Encrypt::ImagePath("/tmp/v1.2/boot"), "/tmp/v1.2/boot.EXE");
}

TEST(EncryptTest, ReplacesAnExistingImageAndTakesDrivePaths) {
    TempDir dir;
    WriteFile(dir / "x.EXE", std::string(100000, 'o'));
    WriteFile(dir / "x.ept", RandomBytes(700, 6));
    Encrypt encoder(platform::ToDrivePath(dir / "x.ept"), &kInfo);
    ASSERT_TRUE(encoder.Encode());
    EXPECT_EQ(ReadFile(dir / "x.EXE"), ModelImage(ReadFile(dir / "x.ept"), kInfo));
}

// Encode must fail with errno set, leave no image and leave the .EPT as it was.
void ExpectEncodeFailure(const std::filesystem::path& ept, int error) {
    const bool hadEpt = std::filesystem::is_regular_file(ept);
    const std::string before = hadEpt ? ReadFile(ept) : "";
    Encrypt encoder(ept.string(), &kInfo);
    errno = 0;
    EXPECT_FALSE(encoder.Encode());
    EXPECT_EQ(errno, error) << std::strerror(errno);
    if (hadEpt) {
        EXPECT_EQ(ReadFile(ept), before) << "the .EPT must stay as it was";
    }
}

TEST(EncryptFailureTest, MissingEptCreatesNoImage) {
    TempDir dir;
    ExpectEncodeFailure(dir / "gone.EPT", ENOENT);
    EXPECT_FALSE(std::filesystem::exists(dir / "gone.EXE"));
}

TEST(EncryptFailureTest, ImageThatCannotBeCreated) {
    TempDir dir;
    WriteFile(dir / "a.EPT", RandomBytes(1000, 7));
    std::filesystem::create_directory(dir / "a.EXE");
    ExpectEncodeFailure(dir / "a.EPT", EISDIR);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "a.EXE"));
}

TEST(EncryptFailureTest, ReadErrorRemovesTheImage) {
    TempDir dir;
    // A folder opens as a stream but every read fails (Windows refuses the open).
    std::filesystem::create_directory(dir / "d.EPT");
    ExpectEncodeFailure(dir / "d.EPT", EISDIR);
    EXPECT_FALSE(std::filesystem::exists(dir / "d.EXE"));
}

TEST(EncryptFailureTest, ImageLinkedToTheEptIsRefused) {
    TempDir dir;
    WriteFile(dir / "b.EPT", RandomBytes(1000, 8));
    std::string why;
    if (!testsupport::MakeSymlink(dir / "b.EPT", dir / "b.EXE", why)) GTEST_SKIP() << why;
    ExpectEncodeFailure(dir / "b.EPT", EEXIST);
}

// A hard or symbolic link standing at the image's name in staging is
// replaced by the new image; what it pointed at stays as it was.
TEST(EncryptTest, ALinkAtTheImagesNameNeverCarriesTheWrite) {
    TempDir dir;
    WriteFile(dir / "victim.txt", "keep");
    WriteFile(dir / "h.EPT", RandomBytes(900, 9));
    WriteFile(dir / "s.EPT", RandomBytes(900, 10));
    std::filesystem::create_hard_link(dir / "victim.txt", dir / "h.EXE");
    std::vector<std::string> names{"h"};
    std::string why;
    if (testsupport::MakeSymlink(dir / "victim.txt", dir / "s.EXE", why)) names.push_back("s");
    for (const std::string& name : names) {
        const auto ept = dir / (name + ".EPT");
        const auto image = dir / (name + ".EXE");
        ASSERT_TRUE(Encrypt(ept.string(), &kInfo).Encode()) << name;
        EXPECT_FALSE(std::filesystem::is_symlink(image));
        EXPECT_EQ(ReadFile(image), ModelImage(ReadFile(ept), kInfo));
    }
    EXPECT_EQ(ReadFile(dir / "victim.txt"), "keep");
}

// The image fails within its first chunk, and past it (written by the second thread).
TEST(EncryptFailureTest, FullDiskRemovesTheIncompleteImageAndKeepsTheEpt) {
    for (std::size_t kib : {160, 700}) {
        testsupport::TmpfsMount disk(kib * 1024 * 8 / 5);
        if (!disk.Mounted()) GTEST_SKIP() << disk.Error();
        WriteFile(disk / "big.EPT", RandomBytes(kib * 1024, 9));
#ifdef _WIN32
        // Wine's C runtime takes a write that the full disk cut short for an
        // invalid argument; the image must go all the same.
        ExpectEncodeFailure(disk / "big.EPT", EINVAL);
#else
        ExpectEncodeFailure(disk / "big.EPT", ENOSPC);
#endif
        EXPECT_FALSE(std::filesystem::exists(disk / "big.EXE")) << kib;
    }
}

TEST(EncryptFailureTest, FullDiskAtTheHeader) {
    // No room left once the .EPT is in: the very first write, the header, fails.
    testsupport::TmpfsMount disk(8 * 1024);
    if (!disk.Mounted()) GTEST_SKIP() << disk.Error();
    WriteFile(disk / "small.EPT", RandomBytes(4096, 10));
    WriteFile(disk / "filler", std::string(4096, 'f'));
    ExpectEncodeFailure(disk / "small.EPT", ENOSPC);
    EXPECT_FALSE(std::filesystem::exists(disk / "small.EXE"));
}

TEST(EncryptFailureTest, ReadOnlyVolume) {
    testsupport::TmpfsMount disk(64 * 1024);
    if (!disk.Mounted()) GTEST_SKIP() << disk.Error();
    WriteFile(disk / "r.EPT", RandomBytes(1000, 11));
    if (!disk.RemountReadOnly()) GTEST_SKIP() << disk.Error();
    ExpectEncodeFailure(disk / "r.EPT", EROFS);
    EXPECT_FALSE(std::filesystem::exists(disk / "r.EXE"));
}

}  // namespace
