// The operating manual that the build puts beside the program.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;

TEST(ManualTest, BesideTheProgramAsAPdfWithThePicturesOfTheWindows) {
    const fs::path manual = fs::path(OSTREL_PROGRAM).parent_path() / "产品升级说明书.pdf";
    ASSERT_TRUE(fs::is_regular_file(manual)) << manual;
    const std::string pdf = testsupport::ReadFile(manual);
    EXPECT_EQ(pdf.rfind("%PDF-", 0), 0u);
    EXPECT_NE(pdf.find("%%EOF"), std::string::npos);
    // Every picture of the source is embedded (eleven windows).
    std::size_t images = 0;
    for (auto at = pdf.find("/Subtype /Image"); at != std::string::npos;
         at = pdf.find("/Subtype /Image", at + 1)) {
        ++images;
    }
    EXPECT_GE(images, 10u);
}

}  // namespace
