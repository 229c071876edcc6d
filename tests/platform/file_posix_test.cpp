// CFile and IsSameFile where only POSIX systems can set the scene: named
// pipes, devices and symbolic links (none under wine).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/File.h"
#include "support/TempDir.h"

namespace {

using testsupport::TempDir;

// An endless device or a pipe without a writer would fill the scratch disk
// or hang the job: neither is opened, and the open returns at once.
TEST(FileTest, DevicesAndPipesAreRefused) {
    TempDir dir;
    const std::string fifo = (dir / "package.rar").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0) << std::strerror(errno);
    for (const std::string& path : {fifo, std::string("/dev/zero")}) {
        for (unsigned flags : {unsigned{CFile::modeRead}, CFile::modeCreate | CFile::modeWrite}) {
            try {
                CFile file(path, flags);
                ADD_FAILURE() << path << " was opened";
            } catch (const CFileException& e) {
                if (e.Error() == ENXIO) continue;  // a write-only pipe without a reader
                EXPECT_EQ(e.Error(), CFileException::kNotRegularFile) << e.what();
                EXPECT_NE(std::string(e.what()).find("not a regular file"), std::string::npos);
            }
        }
    }
}

TEST(FileTest, SameFileSeesThroughSymbolicLinks) {
    TempDir dir;
    testsupport::WriteFile(dir / "a.bin", "a");
    std::filesystem::create_symlink(dir / "a.bin", dir / "soft.bin");
    EXPECT_TRUE(platform::IsSameFile((dir / "a.bin").string(), (dir / "soft.bin").string()));
}

}  // namespace
