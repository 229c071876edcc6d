#include <cstdlib>
#include <fstream>
#include <string>
#include <system_error>

#include "platform/Win32.h"
#include "support/TmpfsMount.h"

namespace testsupport {
namespace {

namespace fs = std::filesystem;

const fs::path kStick = "F:\\";
const fs::path kFolder = kStick / "volume";
const fs::path kBallast = kStick / "ballast";

std::uint64_t FreeBytes() {
    ULARGE_INTEGER free{};
    return GetDiskFreeSpaceExW(kStick.c_str(), &free, nullptr, nullptr) ? free.QuadPart : 0;
}

bool WriteBallast(std::uint64_t bytes) {
    std::ofstream out(kBallast, std::ios::binary);
    const std::string block(64 * 1024, 'b');
    for (; bytes >= block.size(); bytes -= block.size()) out.write(block.data(), block.size());
    out.write(block.data(), static_cast<std::streamsize>(bytes));
    return static_cast<bool>(out.flush());
}

}  // namespace

TmpfsMount::TmpfsMount(std::size_t bytes) {
    // Only the F: that scripts/test-windows makes is emptied (OSTREL_WINE_STICKS).
    if (std::getenv("OSTREL_WINE_STICKS") == nullptr || GetDriveTypeA("F:\\") != DRIVE_REMOVABLE) {
        m_error = "no small removable F: (scripts/test-windows mounts one where it may)";
        return;
    }
    std::error_code ec;
    Empty(kStick);
    const std::uint64_t free = FreeBytes();
    if (free < bytes || !WriteBallast(free - bytes) || !fs::create_directory(kFolder, ec)) {
        m_error = "F: cannot be left with " + std::to_string(bytes) + " bytes free";
        return;
    }
    m_path = kFolder;
    m_mounted = true;
}

TmpfsMount::~TmpfsMount() {
    std::error_code ec;
    if (m_mounted) {
        fs::remove_all(kFolder, ec);
        fs::remove(kBallast, ec);
    }
}

constexpr const char* kNoReadOnly =
    "wine cannot make a drive read-only: a read-only volume is tested on Linux";

bool TmpfsMount::CanRemountReadOnly(std::string& why) {
    why = kNoReadOnly;
    return false;
}

bool TmpfsMount::RemountReadOnly() {
    m_error = kNoReadOnly;
    return false;
}

}  // namespace testsupport
