#include "platform/VolumeLabel.h"

#include <cstdlib>
#include <string_view>

#include "platform/CodePage.h"
#include "platform/FatFormat.h"

namespace platform {
namespace {

// udev writes unsafe bytes of a label as \xNN ("MY\x20STICK").
std::string UnescapeUdev(std::string_view name) {
    std::string text;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x') {
            const std::string hex(name.substr(i + 2, 2));
            char* end = nullptr;
            const long value = std::strtol(hex.c_str(), &end, 16);
            if (end == hex.c_str() + 2) {
                text += static_cast<char>(value);
                i += 3;
                continue;
            }
        }
        text += name[i];
    }
    return text;
}

std::optional<std::string> LabelFromLinks(const std::filesystem::path& device,
                                          const std::filesystem::path& byLabel) {
    std::error_code ec;
    const auto real = std::filesystem::canonical(device, ec);
    if (ec) return std::nullopt;
    for (std::filesystem::directory_iterator it(byLabel, ec), end; !ec && it != end;
         it.increment(ec)) {
        std::error_code linkError;
        if (std::filesystem::canonical(it->path(), linkError) == real && !linkError) {
            return UnescapeUdev(it->path().filename().string());
        }
    }
    return std::nullopt;
}

// A FAT label is in the code page it was written in, code page 936 for one
// from Chinese Windows or from our format; exFAT and NTFS labels come as UTF-8.
std::optional<std::string> InUtf8(std::optional<std::string> label) {
    if (!label || Recode(*label, "UTF-8", "UTF-8")) return label;
    if (auto text = Recode(*label, "CP936", "UTF-8")) return text;
    return label;
}

}  // namespace

std::optional<std::string> VolumeLabel(const Drive& drive, const std::filesystem::path& byLabel) {
    if (drive.device.empty()) return std::nullopt;
    if (auto label = LabelFromLinks(drive.device, byLabel)) return InUtf8(label);
    return InUtf8(ReadVolumeLabel(drive.device));  // as root, from the device itself
}

}  // namespace platform
