// The drive table on Windows is the system's: its letters, with the drives
// it calls removable as such. Nothing is declared or detected by us.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "platform/Drives.h"
#include "platform/Utf8.h"
#include "platform/Win32.h"

namespace platform {

DriveTable ReadDriveTable() {
    DriveTable table;
    std::vector<char> roots(GetLogicalDriveStringsA(0, nullptr) + 1, '\0');
    const DWORD length = GetLogicalDriveStringsA(static_cast<DWORD>(roots.size()), roots.data());
    if (length == 0 || length >= roots.size()) return table;
    for (const char* root = roots.data(); *root != '\0'; root += std::strlen(root) + 1) {
        const UINT type = GetDriveTypeA(root);
        if (type == DRIVE_NO_ROOT_DIR || type == DRIVE_UNKNOWN) continue;
        Drive drive;
        drive.letter = static_cast<char>(std::toupper(static_cast<unsigned char>(root[0])));
        drive.root = Utf8Path(root);
        drive.removable = type == DRIVE_REMOVABLE;
        table.drives.push_back(std::move(drive));
    }
    // C: first, as the program logic expects of the table.
    std::stable_partition(table.drives.begin(), table.drives.end(),
                          [](const Drive& drive) { return drive.letter == 'C'; });
    return table;
}

std::vector<Drive> Drives() { return ReadDriveTable().drives; }

std::optional<Drive> FindDrive(char letter) {
    letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
    for (auto& drive : Drives()) {
        if (drive.letter == letter) return drive;
    }
    return std::nullopt;
}

std::optional<std::uint64_t> TotalBytes(const Drive& drive) {
    ULARGE_INTEGER total{};
    if (!GetDiskFreeSpaceExW(drive.root.c_str(), nullptr, &total, nullptr)) return std::nullopt;
    return total.QuadPart;
}

}  // namespace platform
