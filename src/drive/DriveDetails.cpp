#include "drive/DriveDetails.h"

#include <cstdio>

#include "platform/Drives.h"
#include "platform/VolumeLabel.h"

namespace drive {
namespace {

std::string SizeText(std::optional<std::uint64_t> bytes) {
    if (!bytes) return "未知";
    constexpr double kMiB = 1024.0 * 1024.0;
    const double mib = static_cast<double>(*bytes) / kMiB;
    char text[32];
    if (mib >= 1024.0) {
        std::snprintf(text, sizeof text, "%.1f GB", mib / 1024.0);
    } else {
        std::snprintf(text, sizeof text, "%.0f MB", mib);
    }
    return text;
}

std::string PlaceText(const platform::Drive& drive) {
    if (drive.folderBacked) return "文件夹：" + drive.root.string() + "（OSTREL_DRIVES）";
    return "挂载点：" + drive.root.string() + "（" + drive.device + "）";
}

}  // namespace

std::string DriveDetails(const std::string& root) {
    if (root.empty()) return {};
    const auto drive = platform::FindDrive(root[0]);
    if (!drive || platform::DriveRootText(drive->letter) != root) return {};
    const auto label = platform::VolumeLabel(*drive);
    return "卷标：" + (label && !label->empty() ? *label : std::string("（无）")) + "\n容量：" +
           SizeText(platform::TotalBytes(*drive)) + "\n" + PlaceText(*drive);
}

std::string NoRemovableDriveHint() {
    std::string hint =
        "没有找到可移动磁盘。请插入U盘，并等桌面把它挂载（在文件管理器里打开它一次即可）。\n"
        "在终端运行 ostrel-cli drives 可以看到已插入但还没有挂载的设备。";
    const auto unmounted = platform::ReadDriveTable().unmounted;
    for (const auto& device : unmounted) hint += "\n已插入但未挂载：" + device;
    return hint;
}

}  // namespace drive
