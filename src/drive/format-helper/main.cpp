// ostrel-format-helper DEVICE FAT|FAT32
//
// Formats one removable volume with FAT or FAT32 on behalf of Ostrel, which
// starts it through pkexec when it does not run as root itself. It trusts
// nothing it is given: the device must be the device of a removable volume in
// the drive table it reads itself, so that no caller can have it format the
// system disk or anything else. Exit status: 0 formatted, 1 format failed,
// 2 mkfs.fat missing, 3 not a removable volume, 64 bad usage.
#include <cstdio>
#include <string>
#include <string_view>

#include "platform/Drives.h"
#include "platform/FatFormat.h"
#include "platform/Formatting.h"

namespace {

bool IsRemovableVolume(std::string_view device) {
    for (const auto& drive : platform::Drives()) {
        if (drive.removable && !drive.folderBacked && !drive.device.empty() &&
            drive.device == device) {
            return true;
        }
    }
    return false;
}

int Format(const std::string& device, bool fat32) {
    if (!IsRemovableVolume(device)) {
        std::fprintf(stderr, "ostrel-format-helper: %s is not a removable volume; refused\n",
                     device.c_str());
        return platform::kHelperNotRemovable;
    }
    switch (platform::FormatVolume(device, fat32, platform::SystemToolDirs())) {
        case platform::FormatStatus::Formatted:
            return platform::kHelperFormatted;
        case platform::FormatStatus::MkfsMissing:
            return platform::kHelperNoMkfs;
        case platform::FormatStatus::Failed:
            return platform::kHelperFailed;
    }
    return platform::kHelperFailed;
}

}  // namespace

int main(int argc, char** argv) {
    std::string fs = argc == 3 ? argv[2] : "";
    if (fs != "FAT" && fs != "FAT32") {
        std::fprintf(stderr, "usage: ostrel-format-helper DEVICE FAT|FAT32\n");
        return platform::kHelperUsage;
    }
    return Format(argv[1], fs == "FAT32");
}
