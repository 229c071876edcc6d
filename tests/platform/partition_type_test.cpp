// The MBR type byte set after a format, on image files that hold an MBR.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/PartitionType.h"
#include "support/TempDir.h"

using platform::FatType;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

struct Entry {
    unsigned char type;
    std::uint32_t start;
};

// A sector of boot code bytes and the four entries (type 0: unused).
std::string Mbr(std::initializer_list<Entry> entries, bool signature = true) {
    std::string mbr(512, '\0');
    for (std::size_t i = 0; i < 446; ++i) mbr[i] = static_cast<char>(i * 7);
    std::size_t at = 446;
    for (const auto& entry : entries) {
        mbr[at + 4] = static_cast<char>(entry.type);
        for (std::size_t i = 0; i < 4; ++i)
            mbr[at + 8 + i] = static_cast<char>(entry.start >> 8 * i);
        mbr[at + 12] = 0x20;  // some size
        at += 16;
    }
    if (signature) mbr.replace(510, 2, "\x55\xAA");
    return mbr + std::string(512, 'x');
}

unsigned TypeOf(const std::string& image, std::size_t number) {
    return static_cast<unsigned char>(image[446 + (number - 1) * 16 + 4]);
}

TEST(SetPartitionType, WritesTheNewFatsByteAndNothingElse) {
    TempDir dir;
    const auto image = dir / "stick.img";
    const std::string before = Mbr({{0x07, 2048}, {0x0C, 4096}, {0x0C, 8192}, {0x06, 9000}});
    WriteFile(image, before);
    EXPECT_TRUE(platform::SetPartitionType(image, 1, 2048, FatType::Fat32));
    EXPECT_TRUE(platform::SetPartitionType(image, 2, 4096, FatType::Fat16));
    EXPECT_TRUE(platform::SetPartitionType(image, 3, 8192, FatType::Fat12));
    EXPECT_TRUE(platform::SetPartitionType(image, 4, 9000, FatType::Fat16));
    std::string expected = before;
    expected[446 + 4] = 0x0C;
    expected[462 + 4] = 0x0E;
    expected[478 + 4] = 0x01;
    EXPECT_EQ(ReadFile(image), expected);  // 0x06 already named FAT16
    // The CHS type of FAT32 is kept too.
    WriteFile(image, Mbr({{0x0B, 2048}}));
    EXPECT_TRUE(platform::SetPartitionType(image, 1, 2048, FatType::Fat32));
    EXPECT_EQ(TypeOf(ReadFile(image), 1), 0x0Bu);
}

TEST(SetPartitionType, LeavesAloneWhatItCannotTrust) {
    TempDir dir;
    const auto image = dir / "stick.img";
    for (const std::string& mbr : {Mbr({{0x07, 2048}}, false), Mbr({{0xEE, 1}, {0x07, 2048}})}) {
        WriteFile(image, mbr);
        EXPECT_TRUE(platform::SetPartitionType(image, 2, 2048, FatType::Fat32));
        EXPECT_TRUE(platform::SetPartitionType(image, 1, 2048, FatType::Fat32));
        EXPECT_EQ(ReadFile(image), mbr);
    }
    // An entry that starts elsewhere than the kernel's partition, a logical one.
    const std::string mbr = Mbr({{0x07, 2048}});
    WriteFile(image, mbr);
    EXPECT_TRUE(platform::SetPartitionType(image, 1, 63, FatType::Fat32));
    EXPECT_TRUE(platform::SetPartitionType(image, 5, 2048, FatType::Fat32));
    EXPECT_EQ(ReadFile(image), mbr);
    EXPECT_FALSE(platform::SetPartitionType(dir / "missing.img", 1, 2048, FatType::Fat32));
    WriteFile(image, "short");
    EXPECT_FALSE(platform::SetPartitionType(image, 1, 2048, FatType::Fat32));
}

}  // namespace
