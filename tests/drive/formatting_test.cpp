// Formatting on real parts: mkfs.fat on image files and loop devices checked
// with fsck.fat, folder-backed drives, refusals, the helper, and the
// formatter end to end through it.
#include "platform/Formatting.h"

#include <gtest/gtest.h>
#include <sys/mount.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ScopedEnv.h"
#include "drive/DriveFormatter.h"
#include "platform/ChildProcess.h"
#include "platform/FatFormat.h"
#include "platform/FatLabel.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

constexpr std::uint64_t kMb = 1048576;
constexpr platform::FormatRequest kFatE{'E', platform::FileSystem::Fat};

std::string Output(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (fgets(buffer, sizeof buffer, pipe)) out += buffer;
        pclose(pipe);
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
    return out;
}

int Shell(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str());
}

void MakeSparseImage(const fs::path& image, std::uint64_t bytes) {
    std::ofstream(image, std::ios::binary).close();
    fs::resize_file(image, bytes);
}

std::string HeadOf(const fs::path& target, std::size_t bytes) {
    std::string head(bytes, '\0');
    std::ifstream(target, std::ios::binary).read(head.data(), static_cast<std::streamsize>(bytes));
    return head;
}

// "FAT12", "FAT16" or "FAT32", from the type text in the boot sector.
std::string FatTypeOf(const fs::path& target) {
    const std::string sector = HeadOf(target, 512);
    if (sector.compare(82, 5, "FAT32") == 0) return "FAT32";
    return sector.substr(54, 5);
}

bool FsckClean(const fs::path& target) {
    return Shell("fsck.fat -n '" + target.string() + "'") == 0;
}

std::string LabelOf(const fs::path& target) {
    return platform::ReadVolumeLabel(target).value_or("");
}

// A loop device over an image file, detached when the object goes.
class LoopDevice {
public:
    explicit LoopDevice(const fs::path& image)
        : m_device(Output("losetup -f --show '" + image.string() + "' 2>/dev/null")) {}
    ~LoopDevice() {
        if (ok()) Shell("losetup -d " + m_device);
    }
    LoopDevice(const LoopDevice&) = delete;
    LoopDevice& operator=(const LoopDevice&) = delete;
    bool ok() const { return m_device.rfind("/dev/loop", 0) == 0; }
    const std::string& device() const { return m_device; }

private:
    std::string m_device;
};

platform::Drive RemovableDrive(char letter, const std::string& device) {
    platform::Drive drive;
    drive.letter = letter;
    drive.device = device;
    drive.removable = true;
    return drive;
}

// A setup whose drive table holds only `drive`.
platform::FormatSetup SetupWith(const platform::Drive& drive) {
    platform::FormatSetup setup;
    setup.findDrive = [drive](char letter) -> std::optional<platform::Drive> {
        if (letter == drive.letter) return drive;
        return std::nullopt;
    };
    setup.asRoot = true;
    return setup;
}

TEST(ChooseFatType, AsWindowsPicksForFat) {
    using platform::FatType;
    EXPECT_EQ(platform::ChooseFatType(false, 32679 * 512), FatType::Fat12);
    EXPECT_EQ(platform::ChooseFatType(false, 32680 * 512), FatType::Fat16);
    EXPECT_EQ(platform::ChooseFatType(false, 2048 * kMb + kMb - 1), FatType::Fat16);
    EXPECT_EQ(platform::ChooseFatType(true, 8 * kMb), FatType::Fat32);
}

TEST(MakeFatFileSystem, ImageFilesOfEachWidthPassFsck) {
    auto mkfs = platform::FindMkfsFat(platform::SystemToolDirs());
    if (!mkfs) GTEST_SKIP() << "mkfs.fat is not installed (package dosfstools)";
    TempDir dir;
    struct Case {
        std::uint64_t bytes;
        bool fat32;
        const char* type;
    };
    for (const Case& c :
         {Case{8 * kMb, false, "FAT12"}, Case{64 * kMb, false, "FAT16"},
          Case{2048 * kMb + kMb / 2, false, "FAT16"}, Case{2049 * kMb, true, "FAT32"}}) {
        fs::path image = dir / "volume.img";
        MakeSparseImage(image, c.bytes);
        auto type = platform::ChooseFatType(c.fat32, platform::VolumeSize(image));
        ASSERT_TRUE(platform::MakeFatFileSystem(*mkfs, image, type, "USB STICK"));
        EXPECT_EQ(FatTypeOf(image), c.type) << c.bytes;
        EXPECT_TRUE(FsckClean(image)) << c.bytes;
        EXPECT_EQ(LabelOf(image), "USB STICK");
        fs::remove(image);
    }
}

TEST(MakeFatFileSystem, LabelTooLongForFatIsDropped) {
    auto mkfs = platform::FindMkfsFat(platform::SystemToolDirs());
    if (!mkfs) GTEST_SKIP() << "mkfs.fat is not installed (package dosfstools)";
    TempDir dir;
    MakeSparseImage(dir / "volume.img", 32 * kMb);
    ASSERT_TRUE(platform::MakeFatFileSystem(*mkfs, dir / "volume.img", platform::FatType::Fat16,
                                            "TWELVE CHARS"));
    EXPECT_TRUE(FsckClean(dir / "volume.img"));
    EXPECT_EQ(LabelOf(dir / "volume.img"), "");
}

// mkfs.fat 4.2 takes no label byte above 0x7F, so a code page 936 label is
// written after it: the boot sector (and FAT32's backup), the root folder's
// entry, where a first byte 0xE5 (free entry) is stored as 0x05.
TEST(MakeFatFileSystem, ChineseLabelIsWrittenInEachWidth) {
    auto mkfs = platform::FindMkfsFat(platform::SystemToolDirs());
    if (!mkfs) GTEST_SKIP() << "mkfs.fat is not installed (package dosfstools)";
    TempDir dir;
    using platform::FatType;
    const fs::path image = dir / "volume.img";
    for (auto [type, bytes] :
         {std::pair{FatType::Fat12, 8 * kMb}, std::pair{FatType::Fat16, 64 * kMb},
          std::pair{FatType::Fat32, 2049 * kMb}}) {
        // 升级盘 U, and 濉澧, whose first byte is 0xE5
        for (const std::string label : {"\xC9\xFD\xBC\xB6\xC5\xCC U", "\xE5\xA1\xE5\xA2"}) {
            MakeSparseImage(image, bytes);
            ASSERT_TRUE(platform::MakeFatFileSystem(*mkfs, image, type, label));
            EXPECT_EQ(LabelOf(image), label);
            const std::string disk = HeadOf(image, 7 * 512);
            const std::string padded = label + std::string(11 - label.size(), ' ');
            EXPECT_EQ(disk.substr(type == FatType::Fat32 ? 71 : 43, 11), padded);
            if (type == FatType::Fat32) {
                EXPECT_EQ(disk.substr(6 * 512, 512), disk.substr(0, 512));  // the backup
            }
            std::string entry = padded + '\x08';  // the root folder's label entry
            if (entry[0] == '\xE5') entry[0] = '\x05';
            EXPECT_NE(HeadOf(image, 8 * kMb).find(entry), std::string::npos);
            fs::remove(image);
        }
    }
}

TEST(FatLabel, TheOldLabelInCodePage936) {
    EXPECT_EQ(platform::FatLabelFrom("\xC9\xFD", "vfat"), "\xC9\xFD");  // FAT's own bytes
    EXPECT_EQ(platform::FatLabelFrom("升级盘", "exfat"), "\xC9\xFD\xBC\xB6\xC5\xCC");
    EXPECT_EQ(platform::FatLabelFrom("STICK", "ntfs"), "STICK");
    EXPECT_EQ(platform::FatLabelFrom("U\xF0\x9F\x98\x80", "exfat"), std::nullopt);  // no GBK form
    EXPECT_EQ(platform::FatLabelFrom("", "vfat"), std::nullopt);
    EXPECT_TRUE(platform::FatCanHoldLabel("\xC9\xFD\xBC\xB6\xC5\xCC _-1"));
    EXPECT_FALSE(platform::FatCanHoldLabel(*platform::FatLabelFrom("大容量的升级盘", "exfat")));
    for (const char* refused : {"", "A.B", "A:B", "TAB\t", "A\"B"}) {
        EXPECT_FALSE(platform::FatCanHoldLabel(refused)) << refused;
    }
}

TEST(MakeFatFileSystem, ReportsFailure) {
    auto mkfs = platform::FindMkfsFat(platform::SystemToolDirs());
    if (!mkfs) GTEST_SKIP() << "mkfs.fat is not installed (package dosfstools)";
    TempDir dir;
    EXPECT_FALSE(
        platform::MakeFatFileSystem(*mkfs, dir.path(), platform::FatType::Fat16, std::nullopt));
    EXPECT_FALSE(platform::MakeFatFileSystem(*mkfs, dir / "missing" / "x.img",
                                             platform::FatType::Fat16, std::nullopt));
}

// A loop device over a 64 MB image that holds a labelled FAT file system
// with a file on it, as a used stick would.
class LoopVolume : public testing::Test {
protected:
    void SetUp() override {
        if (!platform::FindMkfsFat(platform::SystemToolDirs())) {
            GTEST_SKIP() << "mkfs.fat is not installed (package dosfstools)";
        }
        MakeSparseImage(m_image, 64 * kMb);
        ASSERT_EQ(Shell("mkfs.fat -F 12 -n OLDSTICK '" + m_image.string() + "'"), 0);
        ASSERT_EQ(Shell("mcopy -i '" + m_image.string() + "' /etc/hostname ::OLD.TXT"), 0);
        m_loop.emplace(m_image);
        if (!m_loop->ok()) GTEST_SKIP() << "losetup cannot attach a loop device here";
    }

    bool OldFileSystemIntact() {
        return FatTypeOf(m_image) == "FAT12" &&
               Shell("mdir -i '" + m_image.string() + "' ::OLD.TXT") == 0;
    }

    TempDir m_dir;
    fs::path m_image = m_dir / "stick.img";
    std::optional<LoopDevice> m_loop;
};

TEST_F(LoopVolume, FormatVolumeMakesFat16AndKeepsTheLabel) {
    EXPECT_EQ(platform::FormatVolume(m_loop->device(), false, platform::SystemToolDirs()),
              platform::FormatStatus::Formatted);
    EXPECT_EQ(FatTypeOf(m_image), "FAT16");
    EXPECT_EQ(LabelOf(m_image), "OLDSTICK");
    EXPECT_TRUE(FsckClean(m_image));
    EXPECT_NE(Shell("mdir -i '" + m_image.string() + "' ::OLD.TXT"), 0);
}

// A stick labelled on Chinese Windows keeps its label in code page 936
// ("U盘" here), which mkfs.fat cannot write: it is kept all the same.
TEST_F(LoopVolume, ChineseLabelIsKept) {
    // Label the volume, then put the code page 936 bytes where the label is
    // written: in the boot sector and in the root folder.
    ASSERT_EQ(Shell("mkfs.fat -F 12 -n XXXXXXXXXXX " + m_loop->device()), 0);
    {
        std::fstream device(m_loop->device(), std::ios::binary | std::ios::in | std::ios::out);
        std::string head(1 << 20, '\0');
        device.read(head.data(), static_cast<std::streamsize>(head.size()));
        for (auto at = head.find("XXXXXXXXXXX"); at != std::string::npos;
             at = head.find("XXXXXXXXXXX", at)) {
            head.replace(at, 11, "U\xC5\xCC        ");
        }
        device.seekp(0);
        device.write(head.data(), static_cast<std::streamsize>(head.size()));
        ASSERT_TRUE(device.good());
    }
    ASSERT_EQ(LabelOf(m_loop->device()), "U\xC5\xCC");
    EXPECT_EQ(platform::FormatVolume(m_loop->device(), false, platform::SystemToolDirs()),
              platform::FormatStatus::Formatted);
    EXPECT_EQ(FatTypeOf(m_loop->device()), "FAT16");
    EXPECT_EQ(LabelOf(m_loop->device()), "U\xC5\xCC");
}

TEST_F(LoopVolume, LauncherFormatsARemovableVolumeOfTheTable) {
    auto setup = SetupWith(RemovableDrive('E', m_loop->device()));
    auto outcome = platform::Format(kFatE, setup);
    EXPECT_EQ(outcome.launch, 33);
    EXPECT_TRUE(outcome.formatted);
    EXPECT_EQ(FatTypeOf(m_image), "FAT16");
    EXPECT_TRUE(FsckClean(m_image));
}

TEST_F(LoopVolume, MissingMkfsAnswers2AndTouchesNothing) {
    TempDir noTools;
    EXPECT_EQ(platform::FormatVolume(m_loop->device(), false, {noTools.path()}),
              platform::FormatStatus::MkfsMissing);
    auto setup = SetupWith(RemovableDrive('E', m_loop->device()));
    setup.toolDirs = {noTools.path()};
    auto outcome = platform::Format(kFatE, setup);
    EXPECT_EQ(outcome.launch, 2);
    EXPECT_FALSE(outcome.formatted);
    EXPECT_TRUE(OldFileSystemIntact());
}

TEST_F(LoopVolume, LettersOutsideTheTableAndFixedDrivesAreRefused) {
    platform::Drive fixed = RemovableDrive('C', m_loop->device());
    fixed.removable = false;  // as the system disk is listed
    for (const auto& setup : {SetupWith(RemovableDrive('F', m_loop->device())), SetupWith(fixed)}) {
        for (char letter : {'E', 'C'}) {
            auto outcome = platform::Format({letter, platform::FileSystem::Fat}, setup);
            EXPECT_EQ(outcome.launch, 3) << letter;
            EXPECT_FALSE(outcome.formatted);
        }
    }
    EXPECT_TRUE(OldFileSystemIntact());
}

#ifdef OSTREL_FORMAT_HELPER
// The helper checks the device against the drive table it reads itself: a
// loop device is no removable volume, whatever the caller claims.
TEST_F(LoopVolume, HelperRefusesWhatItsOwnTableDoesNotListAsRemovable) {
    EXPECT_EQ(platform::RunAndWait({OSTREL_FORMAT_HELPER, m_loop->device(), "FAT"}),
              platform::kHelperNotRemovable);
    EXPECT_EQ(platform::RunAndWait({OSTREL_FORMAT_HELPER, "/dev/vda", "FAT32"}),
              platform::kHelperNotRemovable);
    EXPECT_EQ(platform::RunAndWait({OSTREL_FORMAT_HELPER, m_loop->device()}),
              platform::kHelperUsage);

    // Through Format as a desktop user: /usr/bin/env stands where pkexec
    // grants authorisation and runs the helper as it is.
    auto setup = SetupWith(RemovableDrive('E', m_loop->device()));
    setup.asRoot = false;
    setup.helper = OSTREL_FORMAT_HELPER;
    setup.pkexec = "/usr/bin/env";
    EXPECT_EQ(platform::Format(kFatE, setup).launch, 3);
    EXPECT_TRUE(OldFileSystemIntact());
}
#endif

TEST_F(LoopVolume, RefusedAuthorisationAnswers5) {
    // pkexec ends with 126 when the user dismisses the dialog, 127 when refused.
    for (int status : {126, 127}) {
        fs::path pkexec = m_dir / "pkexec";
        WriteFile(pkexec, "#!/bin/sh\nexit " + std::to_string(status) + "\n");
        fs::permissions(pkexec, fs::perms::owner_all);
        auto setup = SetupWith(RemovableDrive('E', m_loop->device()));
        setup.asRoot = false;
        setup.helper = "/bin/true";
        setup.pkexec = pkexec;
        auto outcome = platform::Format(kFatE, setup);
        EXPECT_EQ(outcome.launch, 5);
        EXPECT_FALSE(outcome.formatted);

        setup.pkexec.clear();  // no pkexec at all: no way to be authorised
        EXPECT_EQ(platform::Format(kFatE, setup).launch, 5);
        setup.helper = m_dir / "no-helper";
        EXPECT_EQ(platform::Format(kFatE, setup).launch, 2);
    }
    EXPECT_TRUE(OldFileSystemIntact());
}

bool KernelMounts(const std::string& type) {
    std::ifstream filesystems("/proc/filesystems");
    for (std::string line; std::getline(filesystems, line);) {
        if (line.size() > type.size() &&
            line.compare(line.size() - type.size(), type.size(), type) == 0 &&
            std::isspace(static_cast<unsigned char>(line[line.size() - type.size() - 1]))) {
            return true;
        }
    }
    return false;
}

// The mount options of what is mounted at `target`, empty when nothing is.
std::string MountOptionsAt(const fs::path& target) {
    return Output("findmnt -n -o OPTIONS --mountpoint '" + target.string() + "'");
}

TEST_F(LoopVolume, MountedVolumeIsMountedAgainWhereItWasWithItsOwner) {
    if (!KernelMounts("vfat")) GTEST_SKIP() << "this kernel cannot mount FAT";
    fs::path where = m_dir / "media" / "OLDSTICK";
    fs::create_directories(where);
    ASSERT_EQ(Shell("mount -o uid=1234,gid=1234 " + m_loop->device() + " '" + where.string() + "'"),
              0);
    EXPECT_EQ(platform::FormatVolume(m_loop->device(), false, platform::SystemToolDirs()),
              platform::FormatStatus::Formatted);
    std::string options = MountOptionsAt(where);
    Shell("umount '" + where.string() + "'");
    EXPECT_NE(options.find("uid=1234"), std::string::npos) << options;
    EXPECT_EQ(FatTypeOf(m_image), "FAT16");
    EXPECT_EQ(LabelOf(m_image), "OLDSTICK");
}

// A volume that something still uses cannot be unmounted: it is left as it
// was, mounted, and the failure is reported.
TEST(FormatVolume, VolumeInUseIsLeftAlone) {
    if (!KernelMounts("ext4") || Shell("which mkfs.ext4") != 0) {
        GTEST_SKIP() << "needs ext4 and mkfs.ext4 to mount a volume here";
    }
    TempDir dir;
    MakeSparseImage(dir / "busy.img", 32 * kMb);
    ASSERT_EQ(Shell("mkfs.ext4 -q '" + (dir / "busy.img").string() + "'"), 0);
    LoopDevice loop(dir / "busy.img");
    if (!loop.ok()) GTEST_SKIP() << "losetup cannot attach a loop device here";
    fs::path where = dir / "mnt";
    fs::create_directories(where);
    if (Shell("mount " + loop.device() + " '" + where.string() + "'") != 0) {
        GTEST_SKIP() << "mounting is not allowed here";
    }
    {
        std::ofstream open(where / "OPEN.TXT");  // keeps the volume busy
        EXPECT_EQ(platform::FormatVolume(loop.device(), false, platform::SystemToolDirs()),
                  platform::FormatStatus::Failed);
        EXPECT_FALSE(MountOptionsAt(where).empty());
    }
    Shell("umount '" + where.string() + "'");
    EXPECT_EQ(Output("blkid -o value -s TYPE " + loop.device()), "ext4");
}

TEST(FolderBackedDrive, IsEmptiedNotFollowingLinks) {
    TempDir usb;
    TempDir outside;
    WriteFile(usb / "A.EXE", "a");
    WriteFile(usb / "PKG" / "SUB" / "B.EXE", "b");
    WriteFile(outside / "KEEP.TXT", "keep");
    fs::create_directory_symlink(outside.path(), usb / "LINK");
    ScopedEnv drives("OSTREL_DRIVES", "E=" + usb.path().string());

    auto outcome = platform::Format(kFatE);
    EXPECT_EQ(outcome.launch, 33);
    EXPECT_TRUE(outcome.formatted);
    EXPECT_TRUE(fs::is_directory(usb.path()));
    EXPECT_TRUE(fs::is_empty(usb.path()));
    EXPECT_TRUE(fs::exists(outside / "KEEP.TXT"));
}

// The ShellExecuteA stand-in carries a format command line out as a format
// request, and the drive is formatted by the time it returns.
TEST(FolderBackedDrive, ShellExecuteACarriesTheFormatOutBeforeReturning) {
    TempDir usb;
    WriteFile(usb / "A.EXE", "a");
    ScopedEnv drives("OSTREL_DRIVES", "G=" + usb.path().string());
    const HINSTANCE launched =
        ShellExecuteA(nullptr, "open", "CMD.EXE", "/C   \"format.com   G:/force/q/y/FS:FAT32\"",
                      nullptr, SW_HIDE);
    EXPECT_GT(reinterpret_cast<std::intptr_t>(launched), 32);
    EXPECT_TRUE(fs::is_empty(usb.path()));
}

TEST(FolderBackedDrive, SystemDiskAndUnknownLettersAreRefused) {
    TempDir usb;
    WriteFile(usb / "A.EXE", "a");
    ScopedEnv drives("OSTREL_DRIVES", "E=" + usb.path().string());
    for (const platform::FormatRequest& request :
         {platform::FormatRequest{'C', platform::FileSystem::Fat32},
          platform::FormatRequest{'Q', platform::FileSystem::Fat}}) {
        auto outcome = platform::Format(request);
        EXPECT_EQ(outcome.launch, 3) << request.drive;
        EXPECT_FALSE(outcome.formatted);
    }
    EXPECT_TRUE(fs::exists(usb / "A.EXE"));
}

// A folder-backed drive on a read-only file system cannot be emptied.
class ReadOnlyDrive : public testing::Test {
protected:
    void SetUp() override {
        if (mount("tmpfs", m_dir.path().c_str(), "tmpfs", 0, "size=64k") != 0) {
            GTEST_SKIP() << "mounting a tmpfs is not allowed here";
        }
        m_mounted = true;
        WriteFile(m_dir / "A.EXE", "a");
        ASSERT_EQ(mount("tmpfs", m_dir.path().c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr),
                  0);
    }
    void TearDown() override {
        if (m_mounted) umount(m_dir.path().c_str());
    }

    TempDir m_dir;
    bool m_mounted = false;
};

TEST_F(ReadOnlyDrive, FormatterReportsTheFailedFormatAfterThePause) {
    ScopedEnv drives("OSTREL_DRIVES", "E=" + m_dir.path().string() + ":size=4G");
    std::vector<std::string> events;
    auto system = drive::SystemFormatter(
        [&](const std::string& text) { events.push_back("prompt " + text); });
    system.sleep = [&](DWORD ms) { events.push_back("sleep " + std::to_string(ms)); };
    drive::DriveFormatter(system).FormatDrive("E:\\", "E:\\");

    EXPECT_EQ(events, (std::vector<std::string>{"sleep 2000", "prompt 格式化U盘失败！"}));
    EXPECT_TRUE(fs::exists(m_dir / "A.EXE"));
}

TEST(FolderBackedDrive, FormatterEmptiesItQuietly) {
    TempDir usb;
    WriteFile(usb / "OLD" / "A.EXE", "a");
    ScopedEnv drives("OSTREL_DRIVES", "E=" + usb.path().string() + ":size=4G");
    std::vector<std::string> events;
    auto system = drive::SystemFormatter(
        [&](const std::string& text) { events.push_back("prompt " + text); });
    system.sleep = [&](DWORD ms) { events.push_back("sleep " + std::to_string(ms)); };
    drive::DriveFormatter(system).FormatDrive("E:\\", "E:\\");

    EXPECT_EQ(events, std::vector<std::string>{"sleep 2000"});
    EXPECT_TRUE(fs::is_empty(usb.path()));
}

}  // namespace
