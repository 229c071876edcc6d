// ostrel-cli write --format on folder-backed drives, which only the POSIX
// drive table declares (OSTREL_DRIVES).
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "ScopedEnv.h"
#include "drive/DriveFormatter.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

// What FormatForCommandLine writes, caught in memory.
class Messages {
public:
    Messages() : m_file(open_memstream(&m_buffer, &m_size)) {}
    ~Messages() {
        std::fclose(m_file);
        std::free(m_buffer);
    }
    Messages(const Messages&) = delete;
    Messages& operator=(const Messages&) = delete;
    std::FILE* file() { return m_file; }
    std::string text() {
        std::fflush(m_file);
        return std::string(m_buffer, m_size);
    }

private:
    char* m_buffer = nullptr;
    std::size_t m_size = 0;
    std::FILE* m_file;
};

TEST(RemovableDriveRoot, OnlyRootsOfRemovableDrives) {
    TempDir usb;
    ScopedEnv drives("OSTREL_DRIVES", "E=" + usb.path().string());
    EXPECT_EQ(drive::RemovableDriveRoot("E:\\"), "E:\\");
    EXPECT_EQ(drive::RemovableDriveRoot("e:"), "E:\\");
    EXPECT_EQ(drive::RemovableDriveRoot("E:/"), "E:\\");
    for (const char* refused : {"C:\\", "C:", "Q:\\", "E:\\PKG", "E", "", ":\\", "/tmp", "1:\\"}) {
        EXPECT_FALSE(drive::RemovableDriveRoot(refused)) << refused;
    }
    EXPECT_FALSE(drive::RemovableDriveRoot(usb.path().string()));
}

TEST(FormatForCommandLine, EmptiesAFolderBackedDriveSilently) {
    TempDir usb;
    WriteFile(usb / "OLD.EXE", "old");
    ScopedEnv drives("OSTREL_DRIVES", "E=" + usb.path().string());
    Messages notes;
    Messages messages;
    EXPECT_EQ(drive::FormatForCommandLine("e:\\", notes.file(), messages.file()),
              drive::CommandLineFormat::Formatted);
    EXPECT_EQ(messages.text(), "");
    EXPECT_TRUE(fs::is_empty(usb.path()));
}

TEST(FormatForCommandLine, RefusesTheSystemDiskWithAMessage) {
    TempDir usb;
    WriteFile(usb / "OLD.EXE", "old");
    ScopedEnv drives("OSTREL_DRIVES", "E=" + usb.path().string());
    Messages notes;
    Messages messages;
    EXPECT_EQ(drive::FormatForCommandLine("C:\\", notes.file(), messages.file()),
              drive::CommandLineFormat::Refused);
    EXPECT_EQ(notes.text(), "") << "no format is announced for a refused drive";
    EXPECT_NE(messages.text().find("removable drive"), std::string::npos);
    EXPECT_NE(messages.text().find("'C:\\'"), std::string::npos);
    EXPECT_TRUE(fs::exists(usb / "OLD.EXE"));
}

}  // namespace
