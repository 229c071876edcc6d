// SHFileOperationA copy and delete on real folders.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "EnvGuard.h"
#include "platform/ShellCopy.h"
#include "platform/Win32.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

// pFrom lists end with two NULs.
std::string List(std::initializer_list<std::string> paths) {
    std::string list;
    for (const auto& path : paths) list += path + '\0';
    return list + '\0';
}

int CopyList(const std::string& fromList, const std::string& to) {
    const std::string toList = List({to});
    SHFILEOPSTRUCTA op{
        nullptr, FO_COPY, fromList.c_str(), toList.c_str(), FOF_SILENT | FOF_NOCONFIRMATION,
        FALSE,   nullptr, nullptr};
    return SHFileOperationA(&op);
}

int Copy(const fs::path& from, const fs::path& to) {
    return CopyList(List({from.string()}), to.string());
}

int Delete(const std::string& path) {
    const std::string fromList = List({path});
    SHFILEOPSTRUCTA op{
        nullptr, FO_DELETE, fromList.c_str(), nullptr, FOF_SILENT | FOF_NOCONFIRMATION,
        FALSE,   nullptr,   nullptr};
    return SHFileOperationA(&op);
}

// A small tmpfs of our own; unmounted when the test ends.
class SmallVolume {
public:
    explicit SmallVolume(const fs::path& at, const char* options) : m_at(at) {
        fs::create_directories(at);
        m_mounted = ::mount("tmpfs", at.c_str(), "tmpfs", 0, options) == 0;
    }
    ~SmallVolume() {
        if (m_mounted) ::umount2(m_at.c_str(), MNT_DETACH);
    }
    bool mounted() const { return m_mounted; }
    bool MakeReadOnly() {
        return ::mount("tmpfs", m_at.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

private:
    fs::path m_at;
    bool m_mounted = false;
};

TEST(ShellCopy, FileLandsUnderItsOwnNameReplacingWhatIsThere) {
    TempDir dir;
    WriteFile(dir / "src" / "A.EXE", "new");
    WriteFile(dir / "drive" / "A.EXE", "an older and longer image");
    EXPECT_EQ(Copy(dir / "src" / "A.EXE", dir / "drive"), 0);
    EXPECT_EQ(ReadFile(dir / "drive" / "A.EXE"), "new");

    // A read-only file in the way is replaced too.
    fs::permissions(dir / "drive" / "A.EXE", fs::perms::owner_read);
    WriteFile(dir / "src" / "A.EXE", "newest");
    EXPECT_EQ(Copy(dir / "src" / "A.EXE", dir / "drive"), 0);
    EXPECT_EQ(ReadFile(dir / "drive" / "A.EXE"), "newest");
}

TEST(ShellCopy, FolderLandsWholeAndMergesWithAnExistingOne) {
    TempDir dir;
    WriteFile(dir / "Temp" / "B" / "top.txt", "top");
    WriteFile(dir / "Temp" / "B" / "x" / "y" / "z" / "deep.bin", std::string(300000, 'd'));
    fs::create_directories(dir / "Temp" / "B" / "empty");
    WriteFile(dir / "drive" / "B" / "top.txt", "old top");
    WriteFile(dir / "drive" / "B" / "kept.txt", "kept");

    EXPECT_EQ(Copy(dir / "Temp" / "B", dir / "drive"), 0);
    EXPECT_EQ(ReadFile(dir / "drive" / "B" / "top.txt"), "top");
    EXPECT_EQ(ReadFile(dir / "drive" / "B" / "x" / "y" / "z" / "deep.bin"),
              std::string(300000, 'd'));
    EXPECT_TRUE(fs::is_directory(dir / "drive" / "B" / "empty"));
    EXPECT_EQ(ReadFile(dir / "drive" / "B" / "kept.txt"), "kept");
    EXPECT_TRUE(fs::exists(dir / "Temp" / "B" / "top.txt"));  // a copy, not a move
}

TEST(ShellCopy, DrivePathsAndSeveralSources) {
    TempDir dir;
    WriteFile(dir / "Temp" / "F1", "1");
    WriteFile(dir / "Temp" / "F2", "2");
    fs::create_directories(dir / "drive");
    EnvGuard drives("OSTREL_DRIVES", "E=" + (dir / "drive").string());
    const std::string temp = dir.path().string() + "\\Temp\\";
    EXPECT_EQ(CopyList(List({temp + "F1", temp + "F2"}), "E:\\"), 0);
    EXPECT_EQ(ReadFile(dir / "drive" / "F1"), "1");
    EXPECT_EQ(ReadFile(dir / "drive" / "F2"), "2");
    EXPECT_NE(CopyList(List({temp + "F1"}), "F:\\"), 0);  // no drive F
}

TEST(ShellCopy, MissingSourceOrDestinationFails) {
    TempDir dir;
    WriteFile(dir / "src" / "a", "a");
    EXPECT_NE(Copy(dir / "src" / "a", dir / "nowhere"), 0);
    EXPECT_FALSE(fs::exists(dir / "nowhere"));
    fs::create_directories(dir / "drive");
    EXPECT_NE(Copy(dir / "src" / "missing", dir / "drive"), 0);
    // One missing source among good ones still copies the others and fails.
    EXPECT_NE(CopyList(List({(dir / "src" / "missing").string(), (dir / "src" / "a").string()}),
                       (dir / "drive").string()),
              0);
    EXPECT_TRUE(fs::exists(dir / "drive" / "a"));
}

TEST(ShellCopy, AFolderIsNotCopiedIntoItself) {
    TempDir dir;
    WriteFile(dir / "A" / "f", "f");
    EXPECT_NE(Copy(dir / "A", dir / "A"), 0);
    EXPECT_FALSE(fs::exists(dir / "A" / "A" / "A"));
}

TEST(ShellCopy, ReadOnlyDestinationFails) {
    TempDir dir;
    WriteFile(dir / "src" / "a", "a");
    SmallVolume volume(dir / "ro", "size=64k");
    if (!volume.mounted()) GTEST_SKIP() << "mounting a tmpfs is not allowed here";
    ASSERT_TRUE(volume.MakeReadOnly());
    EXPECT_NE(Copy(dir / "src" / "a", dir / "ro"), 0);
    EXPECT_NE(Copy(dir / "src", dir / "ro"), 0);
}

// A stick unmounted while a run of copies is under way: its mount point is a
// plain folder of the system disk again, and nothing may land there.
TEST(ShellCopy, AHeldFolderIsNeverTheMountPointLeftBehind) {
    TempDir dir;
    WriteFile(dir / "src" / "a", "a");
    WriteFile(dir / "src" / "F" / "b", "b");
    SmallVolume volume(dir / "stick", "size=64k");
    if (!volume.mounted()) GTEST_SKIP() << "mounting a tmpfs is not allowed here";
    const platform::CopyDestination stick((dir / "stick").string());
    ASSERT_EQ(stick.Error(), 0);
    ASSERT_EQ(::umount2((dir / "stick").c_str(), MNT_DETACH), 0);
    EXPECT_EQ(platform::CopyIntoFolder((dir / "src" / "a").string(), stick), 0);
    EXPECT_EQ(platform::CopyIntoFolder((dir / "src" / "F").string(), stick), 0);
    EXPECT_TRUE(fs::is_empty(dir / "stick"));
    struct stat info {};
    EXPECT_EQ(::fstatat(stick.Handle(), "a", &info, 0), 0);  // on the stick's own file system
    EXPECT_EQ(::fstatat(stick.Handle(), "F/b", &info, 0), 0);
}

// A copy cut short by a full drive fails and leaves no truncated file that
// could pass for a good one.
TEST(ShellCopy, FullDestinationFailsWithoutLeavingAPartialFile) {
    TempDir dir;
    WriteFile(dir / "src" / "big.exe", std::string(256 * 1024, 'b'));
    WriteFile(dir / "src" / "small.txt", "s");
    SmallVolume volume(dir / "full", "size=64k");
    if (!volume.mounted()) GTEST_SKIP() << "mounting a tmpfs is not allowed here";
    EXPECT_NE(Copy(dir / "src" / "big.exe", dir / "full"), 0);
    EXPECT_EQ(errno, ENOSPC);  // the cause, for the caller's message
    EXPECT_FALSE(fs::exists(dir / "full" / "big.exe"));
    EXPECT_NE(Copy(dir / "src", dir / "full"), 0);
    EXPECT_FALSE(fs::exists(dir / "full" / "src" / "big.exe"));
    EXPECT_EQ(ReadFile(dir / "full" / "src" / "small.txt"), "s");  // the rest still goes
}

// A file that would replace one on a full stick leaves the old one whole:
// the old image still boots the device, a cut-off new one would not.
TEST(ShellCopy, AFailedReplacementKeepsTheOldFile) {
    TempDir dir;
    WriteFile(dir / "src" / "BOOT.EXE", std::string(256 * 1024, 'n'));
    SmallVolume volume(dir / "full", "size=128k");
    if (!volume.mounted()) GTEST_SKIP() << "mounting a tmpfs is not allowed here";
    WriteFile(dir / "full" / "BOOT.EXE", std::string(64 * 1024, 'o'));
    EXPECT_NE(Copy(dir / "src" / "BOOT.EXE", dir / "full"), 0);
    EXPECT_EQ(ReadFile(dir / "full" / "BOOT.EXE"), std::string(64 * 1024, 'o'));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "full"), fs::directory_iterator()), 1);
}

TEST(ShellCopy, AFileNeverReplacesAFolderOfItsName) {
    TempDir dir;
    WriteFile(dir / "src" / "BOOT.EXE", "new image");
    WriteFile(dir / "drive" / "BOOT.EXE" / "kept", "kept");
    EXPECT_NE(Copy(dir / "src" / "BOOT.EXE", dir / "drive"), 0);
    EXPECT_EQ(errno, EISDIR);
    EXPECT_EQ(ReadFile(dir / "drive" / "BOOT.EXE" / "kept"), "kept");
    EXPECT_FALSE(fs::exists(dir / "drive" / ".BOOT.EXE.part"));
}

// What a copy cut short by a pulled stick left beside a file goes with the
// next copy of that file; a link there is replaced, never written through.
TEST(ShellCopy, TheNextCopyTakesOverAnInterruptedCopysFile) {
    TempDir dir;
    WriteFile(dir / "src" / "BOOT.EXE", "new image");
    WriteFile(dir / "drive" / ".BOOT.EXE.part", "cut off");
    WriteFile(dir / "elsewhere", "kept");
    fs::create_directories(dir / "src" / "FONT");
    WriteFile(dir / "src" / "FONT" / "A.FNT", "font");
    fs::create_directories(dir / "drive" / "FONT");
    fs::create_symlink(dir / "elsewhere", dir / "drive" / "FONT" / ".A.FNT.part");
    EXPECT_EQ(Copy(dir / "src" / "BOOT.EXE", dir / "drive"), 0);
    EXPECT_EQ(Copy(dir / "src" / "FONT", dir / "drive"), 0);
    EXPECT_EQ(ReadFile(dir / "drive" / "BOOT.EXE"), "new image");
    EXPECT_EQ(ReadFile(dir / "drive" / "FONT" / "A.FNT"), "font");
    EXPECT_EQ(ReadFile(dir / "elsewhere"), "kept");
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "drive" / ".BOOT.EXE.part")));
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "drive" / "FONT" / ".A.FNT.part")));
}

TEST(ShellCopy, LinksOutOfTheTreeAreNotFollowed) {
    TempDir dir;
    WriteFile(dir / "secret" / "key", "private");
    WriteFile(dir / "Temp" / "B" / "real.txt", "real");
    fs::create_symlink("real.txt", dir / "Temp" / "B" / "alias.txt");
    fs::create_symlink(dir / "secret" / "key", dir / "Temp" / "B" / "stolen");
    fs::create_symlink("../../secret", dir / "Temp" / "B" / "outside");
    fs::create_symlink("missing", dir / "Temp" / "B" / "dangling");
    fs::create_directories(dir / "drive");

    EXPECT_NE(Copy(dir / "Temp" / "B", dir / "drive"), 0);
    EXPECT_EQ(ReadFile(dir / "drive" / "B" / "real.txt"), "real");
    EXPECT_EQ(ReadFile(dir / "drive" / "B" / "alias.txt"), "real");  // the file it names
    EXPECT_FALSE(fs::is_symlink(dir / "drive" / "B" / "alias.txt"));
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "drive" / "B" / "stolen")));
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "drive" / "B" / "outside")));
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "drive" / "B" / "dangling")));

    // A single file copied is a link into its own folder or nothing.
    EXPECT_EQ(Copy(dir / "Temp" / "B" / "alias.txt", dir / "drive"), 0);
    EXPECT_EQ(ReadFile(dir / "drive" / "alias.txt"), "real");
    EXPECT_NE(Copy(dir / "Temp" / "B" / "stolen", dir / "drive"), 0);
    EXPECT_FALSE(fs::exists(dir / "drive" / "stolen"));
}

// A link already on the destination is replaced, never written through.
TEST(ShellCopy, DestinationLinksAreReplacedNotWrittenThrough) {
    TempDir dir;
    WriteFile(dir / "outside" / "victim", "untouched");
    WriteFile(dir / "src" / "victim", "new");
    WriteFile(dir / "src" / "D" / "f", "f");
    fs::create_directories(dir / "drive");
    fs::create_symlink(dir / "outside" / "victim", dir / "drive" / "victim");
    fs::create_directory_symlink(dir / "outside", dir / "drive" / "D");
    EXPECT_EQ(Copy(dir / "src" / "victim", dir / "drive"), 0);
    EXPECT_EQ(Copy(dir / "src" / "D", dir / "drive"), 0);
    EXPECT_EQ(ReadFile(dir / "outside" / "victim"), "untouched");
    EXPECT_FALSE(fs::exists(dir / "outside" / "f"));
    EXPECT_EQ(ReadFile(dir / "drive" / "victim"), "new");
    EXPECT_EQ(ReadFile(dir / "drive" / "D" / "f"), "f");
}

TEST(ShellDelete, RemovesADeepTreeForGood) {
    TempDir dir;
    fs::path deep = dir / "Temp";
    for (int i = 0; i < 60; ++i) {
        deep /= "level" + std::to_string(i);
        WriteFile(deep / "file.txt", "x");
    }
    WriteFile(dir / "Temp" / "ro.txt", "read-only");
    fs::permissions(dir / "Temp" / "ro.txt", fs::perms::owner_read);
    EXPECT_EQ(Delete((dir / "Temp").string()), 0);
    EXPECT_FALSE(fs::exists(dir / "Temp"));
    EXPECT_NE(Delete((dir / "Temp").string()), 0);  // nothing left to delete
}

TEST(ShellDelete, RemovesLinksNeverWhatTheyPointTo) {
    TempDir dir;
    WriteFile(dir / "outside" / "keep.txt", "keep");
    WriteFile(dir / "Temp" / "a.txt", "a");
    fs::create_directory_symlink(dir / "outside", dir / "Temp" / "dirlink");
    fs::create_symlink(dir / "outside" / "keep.txt", dir / "Temp" / "filelink");
    fs::create_directory_symlink(dir / "outside", dir / "toplink");
    EXPECT_EQ(Delete((dir / "Temp").string()), 0);
    EXPECT_FALSE(fs::exists(dir / "Temp"));
    EXPECT_EQ(Delete((dir / "toplink").string()), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "toplink")));
    EXPECT_EQ(ReadFile(dir / "outside" / "keep.txt"), "keep");
}

TEST(ShellDelete, DriveRootsAreRefused) {
    TempDir dir;
    WriteFile(dir / "drive" / "f", "f");
    EnvGuard drives("OSTREL_DRIVES", "E=" + (dir / "drive").string());
    EXPECT_NE(Delete("E:\\"), 0);
    EXPECT_NE(Delete("E:\\..\\.."), 0);
    EXPECT_NE(Delete((dir / "drive").string()), 0);
    EXPECT_TRUE(fs::exists(dir / "drive" / "f"));
    EXPECT_EQ(Delete("E:\\f"), 0);
    EXPECT_FALSE(fs::exists(dir / "drive" / "f"));
}

TEST(ShellOperation, RejectsWhatItCannotDo) {
    EXPECT_NE(SHFileOperationA(nullptr), 0);
    const std::string list = List({"/tmp"});
    constexpr UINT kRename = 4;  // Windows' FO_RENAME, which no caller here needs
    SHFILEOPSTRUCTA op{nullptr, kRename, list.c_str(), list.c_str(), 0, FALSE, nullptr, nullptr};
    EXPECT_NE(SHFileOperationA(&op), 0);
    op.wFunc = FO_COPY;
    op.pTo = nullptr;
    EXPECT_NE(SHFileOperationA(&op), 0);
}

}  // namespace
