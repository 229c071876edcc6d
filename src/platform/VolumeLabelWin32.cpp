#include <filesystem>

#include "platform/Utf8.h"
#include "platform/VolumeLabel.h"
#include "platform/Win32.h"

namespace platform {

// The system knows every volume's label, in UTF-16.
std::optional<std::string> VolumeLabel(const Drive& drive,
                                       const std::filesystem::path& /*byLabel*/) {
    wchar_t label[MAX_PATH + 1] = {};
    if (!GetVolumeInformationW(drive.root.c_str(), label, MAX_PATH + 1, nullptr, nullptr, nullptr,
                               nullptr, 0)) {
        return std::nullopt;
    }
    return Utf8Text(std::filesystem::path(label));
}

}  // namespace platform
