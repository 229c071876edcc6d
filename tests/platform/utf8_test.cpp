#include "platform/Utf8.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/File.h"
#include "support/TempDir.h"

namespace {

// The bytes of a Chinese name reach the file system as those characters
// and come back as the same bytes, whatever the system's narrow encoding.
TEST(Utf8Paths, ChineseNamesSurviveTheRoundTrip) {
    testsupport::TempDir dir;
    const std::string name = "升级包.bin";
    const auto path = dir.path() / platform::Utf8Path(name);
    EXPECT_TRUE(path.filename() == std::filesystem::path(u8"升级包.bin"));
    EXPECT_EQ(platform::Utf8Text(path.filename()), name);

    CFile file(platform::Utf8Text(path), CFile::modeCreate | CFile::modeWrite);
    file.Write("x", 1);
    file.Close();
    std::string listed;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        listed = platform::Utf8Text(entry.path().filename());
    }
    EXPECT_EQ(listed, name);
}

}  // namespace
