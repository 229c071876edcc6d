// The drive table: OSTREL_DRIVES, the mount table and sysfs parsers, and the
// drive calls built on them.
#include "platform/Drives.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "EnvGuard.h"
#include "platform/VolumeLabel.h"
#include "platform/Win32.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using testsupport::TempDir;
using testsupport::WriteFile;

constexpr std::uint64_t kGiB = 1ull << 30;

// ------------------------------------------------------------ OSTREL_DRIVES

TEST(DriveSpec, SizesTakeBinaryUnits) {
    EXPECT_EQ(platform::ParseSize("4G"), 4 * kGiB);
    EXPECT_EQ(platform::ParseSize("4gb"), 4 * kGiB);
    EXPECT_EQ(platform::ParseSize("512M"), 512ull << 20);
    EXPECT_EQ(platform::ParseSize("1T"), 1ull << 40);
    EXPECT_EQ(platform::ParseSize("1000"), 1000u);
    EXPECT_FALSE(platform::ParseSize(""));
    EXPECT_FALSE(platform::ParseSize("G"));
    EXPECT_FALSE(platform::ParseSize("1.5G"));
    EXPECT_FALSE(platform::ParseSize("4X"));
    EXPECT_FALSE(platform::ParseSize("-4G"));
    EXPECT_FALSE(platform::ParseSize("99999999999T"));  // does not fit in 64 bits
}

TEST(DriveSpec, DeclaresFolderBackedRemovableDrivesInLetterOrder) {
    TempDir dir;
    fs::create_directories(dir / "b");
    fs::create_directories(dir / "a:odd");  // a colon in the folder name
    const auto table = platform::ParseDriveSpec("G=" + (dir / "b").string() +
                                                ";e=" + (dir / "a:odd").string() + ":size=4G;");
    EXPECT_TRUE(table.problems.empty());
    ASSERT_EQ(table.drives.size(), 2u);
    EXPECT_EQ(table.drives[0].letter, 'E');
    EXPECT_EQ(table.drives[0].root, dir / "a:odd");
    EXPECT_EQ(table.drives[0].declaredBytes, 4 * kGiB);
    EXPECT_TRUE(table.drives[0].removable);
    EXPECT_TRUE(table.drives[0].folderBacked);
    EXPECT_EQ(table.drives[1].letter, 'G');
    EXPECT_EQ(table.drives[1].declaredBytes, 0u);
}

TEST(DriveSpec, BadEntriesAreSkippedAndReported) {
    TempDir dir;
    const std::string folder = dir.path().string();
    const auto table = platform::ParseDriveSpec(
        "E=" + folder + ";E=" + folder + ";C=" + folder + ";F=" + folder + "/missing;G" + folder +
        ";H=relative/folder;I=" + folder + ":size=4X;J=" + folder + ":size=0");
    ASSERT_EQ(table.drives.size(), 1u);
    EXPECT_EQ(table.drives[0].letter, 'E');
    EXPECT_EQ(table.problems.size(), 7u);
    for (const auto& problem : table.problems) {
        EXPECT_NE(problem.find("OSTREL_DRIVES"), std::string::npos) << problem;
    }
    EXPECT_NE(table.problems[5].find("K, M, G or T"), std::string::npos) << table.problems[5];
}

// A format empties a declared drive's folder: the system's own folders, and
// folders that hold the program, are never drives, whichever way they are named.
TEST(DriveSpec, SystemFoldersAndTheProgramsFolderAreRefused) {
    TempDir dir;
    fs::create_directory_symlink("/", dir / "root-link");
    fs::create_directories(dir / "stick");
    const std::string program = fs::read_symlink("/proc/self/exe").parent_path().string();
    const auto table = platform::ParseDriveSpec(
        "E=/;F=" + (dir / "root-link").string() + ";G=/usr/;H=" + program +
        ";I=" + fs::path(program).parent_path().string() + ";J=" + (dir / "stick").string());
    ASSERT_EQ(table.drives.size(), 1u);
    EXPECT_EQ(table.drives[0].letter, 'J');
    EXPECT_EQ(table.problems.size(), 5u);
}

TEST(DriveTable, EnvironmentReplacesDetectionAndIsReadEveryCall) {
    TempDir dir;
    {
        EnvGuard drives("OSTREL_DRIVES", "E=" + dir.path().string());
        const auto list = platform::Drives();
        ASSERT_EQ(list.size(), 2u);
        EXPECT_EQ(list[0].letter, 'C');
        EXPECT_EQ(list[0].root, "/");
        EXPECT_FALSE(list[0].removable);
        EXPECT_EQ(list[1].letter, 'E');
        EXPECT_TRUE(platform::FindDrive('e'));
    }
    EnvGuard none("OSTREL_DRIVES", "");
    EXPECT_EQ(platform::Drives().size(), 1u);
    EXPECT_FALSE(platform::FindDrive('E'));
    EXPECT_TRUE(platform::FindDrive('c'));
}

// ------------------------------------------------------------ drive calls

class DeclaredDrives : public ::testing::Test {
protected:
    TempDir dir;
    std::unique_ptr<EnvGuard> env;
    void SetUp() override {
        fs::create_directories(dir / "e");
        fs::create_directories(dir / "g");
        env = std::make_unique<EnvGuard>("OSTREL_DRIVES", "G=" + (dir / "g").string() + ";E=" +
                                                              (dir / "e").string() + ":size=4G");
    }
};

TEST_F(DeclaredDrives, DriveStringsFillTheBufferAsWindowsDoes) {
    const std::string expected("C:\\\0E:\\\0G:\\\0\0", 13);
    char buffer[100];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(GetLogicalDriveStringsA(100, buffer), 12u);
    EXPECT_EQ(std::string(buffer, 13), expected);

    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(GetLogicalDriveStringsA(13, buffer), 12u);  // exactly enough
    EXPECT_EQ(std::string(buffer, 13), expected);

    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(GetLogicalDriveStringsA(12, buffer), 13u);  // one short: the size needed
    EXPECT_EQ(buffer[0], 'x');
    EXPECT_EQ(GetLogicalDriveStringsA(0, nullptr), 13u);
}

TEST_F(DeclaredDrives, TypesAreFixedForCRemovableForDeclaredNoRootOtherwise) {
    EXPECT_EQ(GetDriveTypeA("C:\\"), DRIVE_FIXED);
    EXPECT_EQ(GetDriveTypeA(nullptr), DRIVE_FIXED);
    EXPECT_EQ(GetDriveTypeA("E:\\"), DRIVE_REMOVABLE);
    EXPECT_EQ(GetDriveTypeA("e:"), DRIVE_REMOVABLE);
    EXPECT_EQ(GetDriveTypeA("G:/"), DRIVE_REMOVABLE);
    EXPECT_EQ(GetDriveTypeA("F:\\"), DRIVE_NO_ROOT_DIR);
    EXPECT_EQ(GetDriveTypeA("E:\\sub"), DRIVE_NO_ROOT_DIR);
    EXPECT_EQ(GetDriveTypeA(""), DRIVE_NO_ROOT_DIR);
}

TEST_F(DeclaredDrives, CapacityIsTheDeclaredSizeElseTheHostingFileSystem) {
    ULARGE_INTEGER available{}, total{}, free{};
    ASSERT_TRUE(GetDiskFreeSpaceExA("E:\\", &available, &total, &free));
    EXPECT_EQ(total.QuadPart, 4 * kGiB);
    EXPECT_LE(available.QuadPart, total.QuadPart);
    EXPECT_LE(free.QuadPart, total.QuadPart);

    ULARGE_INTEGER hostTotal{};
    ASSERT_TRUE(GetDiskFreeSpaceExA((dir.path() / "g").c_str(), nullptr, &hostTotal, nullptr));
    ULARGE_INTEGER gTotal{};
    ASSERT_TRUE(GetDiskFreeSpaceExA("G:\\", nullptr, &gTotal, nullptr));
    EXPECT_EQ(gTotal.QuadPart, hostTotal.QuadPart);
    EXPECT_GT(gTotal.QuadPart, 0u);

    // Any folder on a drive answers for the drive.
    fs::create_directories(dir / "e" / "sub");
    ULARGE_INTEGER subTotal{};
    ASSERT_TRUE(GetDiskFreeSpaceExA("E:\\sub", nullptr, &subTotal, nullptr));
    EXPECT_EQ(subTotal.QuadPart, 4 * kGiB);

    errno = 0;
    EXPECT_FALSE(GetDiskFreeSpaceExA("F:\\", nullptr, &total, nullptr));
    EXPECT_EQ(errno, ENOENT);
}

// -------------------------------------------------- mount table and sysfs

// Captured from a desktop with an internal SATA disk, a USB stick with two
// partitions (one mounted twice and once as a sub-folder bind), a USB hard
// disk whose removable flag is 0, an SD card on the MMC bus and a snap.
constexpr const char* kMountInfo =
    "22 1 8:2 / / rw,relatime shared:1 - ext4 /dev/sda2 rw,errors=remount-ro\n"
    "25 22 8:1 / /boot/efi rw,relatime shared:2 - vfat /dev/sda1 rw,fmask=0077\n"
    "26 22 0:5 / /dev rw,nosuid shared:3 - devtmpfs udev rw,size=8000000k\n"
    "42 22 8:33 / /media/ann/USB\\040DISK rw,nosuid,nodev shared:5 - ntfs3 /dev/sdc1 rw\n"
    "40 22 8:17 / /media/ann/MY\\040STICK rw,nosuid,nodev,relatime shared:4 - vfat /dev/sdb1 "
    "rw,uid=1000\n"
    "41 22 8:18 / /media/ann/DATA rw,nosuid,nodev,relatime shared:6 - exfat /dev/sdb2 rw\n"
    "43 22 179:1 / /media/ann/SD rw,nosuid,nodev shared:7 - vfat /dev/mmcblk0p1 rw\n"
    "44 22 8:17 / /mnt/again rw,relatime shared:4 - vfat /dev/sdb1 rw\n"
    "45 22 8:18 /backup /mnt/bind rw,relatime shared:6 - exfat /dev/sdb2 rw\n"
    "47 22 7:0 / /snap/core/1 ro,nodev,relatime shared:8 - squashfs /dev/loop0 ro\n";

class FakeSysfs {
public:
    FakeSysfs() {
        const fs::path usb = "devices/pci0000:00/0000:00:14.0/usb1/1-1";
        const fs::path usb2 = "devices/pci0000:00/0000:00:14.0/usb1/1-2";
        const fs::path ata = "devices/pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0";
        const fs::path mmc = "devices/platform/soc/mmc_host/mmc0/mmc0:0001";
        Link(usb / "subsystem", "../../../../bus/usb");
        Link(usb2 / "subsystem", "../../../../bus/usb");
        Link("devices/pci0000:00/0000:00:17.0/subsystem", "../../../bus/pci");
        Link(mmc / "subsystem", "../../../../../bus/mmc");
        const auto scsi = fs::path("1-1:1.0/host6/target6:0:0/6:0:0:0/block");
        Disk(usb / scsi / "sdb", "1", "30031872", {{"sdb1", "8:17"}, {"sdb2", "8:18"}});
        Disk(usb2 / scsi / "sdc", "0", "1953525168", {{"sdc1", "8:33"}});
        Disk(ata / "block" / "sda", "0", "500118192", {{"sda1", "8:1"}, {"sda2", "8:2"}});
        Disk(mmc / "block" / "mmcblk0", "0", "62333952", {{"mmcblk0p1", ""}});
        // Not mounted: a second stick with one partition, a card reader slot
        // without a card, and an unpartitioned stick.
        const fs::path usb3 = "devices/pci0000:00/0000:00:14.0/usb1/1-3";
        Link(usb3 / "subsystem", "../../../../bus/usb");
        Disk(usb3 / scsi / "sdd", "1", "15000000", {{"sdd1", "8:49"}});
        Disk(usb3 / "1-3:1.0/host7/target7:0:0/7:0:0:0/block/sde", "1", "0", {});
        WholeDisk(usb3 / "1-3:1.0/host8/target8:0:0/8:0:0:0/block/sdf", "8000000");
        Disk("devices/virtual/block/loop0", "0", "129016", {});
        Link("dev/block/7:0", "../../devices/virtual/block/loop0");
    }
    const fs::path& root() const { return m_dir.path(); }

private:
    void Link(const fs::path& at, const fs::path& target) {
        fs::create_directories((m_dir.path() / at).parent_path());
        fs::create_symlink(target, m_dir.path() / at);
    }
    // The partitions are named with their device numbers; an empty number
    // leaves only the name link, as for devices found by name.
    void Disk(const fs::path& disk, const char* removable, const char* sectors,
              std::initializer_list<std::pair<const char*, const char*>> partitions) {
        WriteFile(m_dir.path() / disk / "removable", std::string(removable) + "\n");
        WriteFile(m_dir.path() / disk / "size", "999\n");
        for (const auto& [name, number] : partitions) {
            WriteFile(m_dir.path() / disk / name / "partition", "1\n");
            WriteFile(m_dir.path() / disk / name / "size", std::string(sectors) + "\n");
            const fs::path fromClass = fs::path("../..") / disk / name;
            Link(fs::path("class/block") / name, fromClass);
            if (*number) Link(fs::path("dev/block") / number, fromClass);
        }
    }

    void WholeDisk(const fs::path& disk, const char* sectors) {
        WriteFile(m_dir.path() / disk / "removable", "1\n");
        WriteFile(m_dir.path() / disk / "size", std::string(sectors) + "\n");
        Link(fs::path("class/block") / disk.filename(), fs::path("../..") / disk);
    }

    TempDir m_dir;
};

TEST(MountTable, ParsesEscapesRootsAndDeviceNumbers) {
    const auto mounts = platform::ParseMountInfo(kMountInfo);
    ASSERT_EQ(mounts.size(), 10u);
    EXPECT_EQ(mounts[0].target, "/");
    EXPECT_EQ(mounts[3].target, "/media/ann/USB DISK");
    EXPECT_EQ(mounts[3].source, "/dev/sdc1");
    EXPECT_EQ(mounts[3].major, 8u);
    EXPECT_EQ(mounts[3].minor, 33u);
    EXPECT_EQ(mounts[8].fsRoot, "/backup");
    EXPECT_EQ(mounts[6].major, 179u);
}

TEST(MountTable, ReadsTheLiveTable) {
    std::ifstream in("/proc/self/mountinfo");
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (text.empty()) GTEST_SKIP() << "no /proc/self/mountinfo here";
    const auto mounts = platform::ParseMountInfo(text);
    EXPECT_TRUE(
        std::any_of(mounts.begin(), mounts.end(), [](const auto& m) { return m.target == "/"; }));
}

TEST(MountTable, FindsRemovableVolumesLetteredByDeviceName) {
    FakeSysfs sysfs;
    const auto volumes =
        platform::RemovableVolumes(platform::ParseMountInfo(kMountInfo), sysfs.root());
    ASSERT_EQ(volumes.size(), 3u);  // not the USB hard disk whose medium is fixed
    EXPECT_EQ(volumes[0].letter, 'D');
    EXPECT_EQ(volumes[0].device, "/dev/mmcblk0p1");  // found by name, on the mmc bus
    EXPECT_EQ(volumes[0].root, "/media/ann/SD");
    EXPECT_EQ(volumes[1].letter, 'E');
    EXPECT_EQ(volumes[1].device, "/dev/sdb1");
    EXPECT_EQ(volumes[1].root, "/media/ann/MY STICK");  // first mount point, not /mnt/again
    EXPECT_EQ(volumes[1].deviceBytes, 30031872ull * 512);
    EXPECT_EQ(volumes[2].letter, 'F');
    EXPECT_EQ(volumes[2].device, "/dev/sdb2");
    EXPECT_EQ(volumes[2].root, "/media/ann/DATA");  // not the sub-folder bind
    for (const auto& volume : volumes) {
        EXPECT_TRUE(volume.removable);
        EXPECT_FALSE(volume.folderBacked);
    }
}

TEST(MountTable, NamesMountedUsbDisksWhoseMediumIsFixed) {
    FakeSysfs sysfs;
    const auto mounts = platform::ParseMountInfo(kMountInfo);
    // Not the SATA disk, the sticks or the card: only the USB hard disk.
    EXPECT_EQ(platform::FixedUsbVolumes(mounts, sysfs.root()),
              (std::vector<std::string>{"/dev/sdc1 on /media/ann/USB DISK"}));
}

TEST(MountTable, ListsRemovableDevicesWithMediaThatAreNotMounted) {
    FakeSysfs sysfs;
    const auto mounts = platform::ParseMountInfo(kMountInfo);
    EXPECT_EQ(platform::UnmountedRemovableDevices(mounts, sysfs.root()),
              (std::vector<std::string>{"/dev/sdd1", "/dev/sdf"}));
    EXPECT_EQ(platform::UnmountedRemovableDevices({}, sysfs.root()),
              (std::vector<std::string>{"/dev/mmcblk0p1", "/dev/sdb1", "/dev/sdb2", "/dev/sdd1",
                                        "/dev/sdf"}));
}

TEST(MountTable, NothingRemovableWithoutSysfsOrMounts) {
    FakeSysfs sysfs;
    TempDir empty;
    EXPECT_TRUE(
        platform::RemovableVolumes(platform::ParseMountInfo(kMountInfo), empty.path()).empty());
    EXPECT_TRUE(platform::RemovableVolumes(platform::ParseMountInfo(""), sysfs.root()).empty());
    EXPECT_TRUE(platform::ParseMountInfo("not a mount table\n").empty());
}

TEST(MountTable, ABrokenLineDoesNotHideTheOthers) {
    const auto mounts = platform::ParseMountInfo(
        "22 1 8:2 / / rw shared:1 - ext4 /dev/sda2 rw\n"
        "garbage\n"
        "40 22 8:17 / /media/a\\040b rw shared:4 - vfat /dev/sdb1 rw\n");
    ASSERT_EQ(mounts.size(), 2u);
    EXPECT_EQ(mounts[1].target, "/media/a b");
}

}  // namespace

namespace {

// A desktop user may not read the device: the label comes from udev's links.
TEST(VolumeLabel, ComesFromTheByLabelLinkOfTheDevice) {
    TempDir dir;
    testsupport::WriteFile(dir / "sdz1", "");
    testsupport::WriteFile(dir / "sdz2", "");
    std::filesystem::create_directories(dir / "by-label");
    std::filesystem::create_symlink("../sdz2", dir / "by-label" / "OTHER");
    std::filesystem::create_symlink("../sdz1", dir / "by-label" / "MY\\x20STICK");
    platform::Drive stick;
    stick.device = (dir / "sdz1").string();
    EXPECT_EQ(platform::VolumeLabel(stick, dir / "by-label"), "MY STICK");
    // A FAT label as Chinese Windows writes it: 升级盘 in code page 936.
    std::filesystem::remove(dir / "by-label" / "MY\\x20STICK");
    std::filesystem::create_symlink("../sdz1", dir / "by-label" / "\\xc9\\xfd\\xbc\\xb6\\xc5\\xcc");
    EXPECT_EQ(platform::VolumeLabel(stick, dir / "by-label"), "升级盘");
    platform::Drive folder;
    folder.folderBacked = true;
    EXPECT_EQ(platform::VolumeLabel(folder, dir / "by-label"), std::nullopt);
}

}  // namespace
