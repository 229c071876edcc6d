#include "drive/CommandLineFormat.h"

#include <cctype>

#include "drive/DriveFormatter.h"
#include "platform/Drives.h"

namespace drive {

std::optional<std::string> RemovableDriveRoot(std::string_view target) {
    bool rootText =
        (target.size() == 2 || (target.size() == 3 && (target[2] == '\\' || target[2] == '/'))) &&
        target[1] == ':' && std::isalpha(static_cast<unsigned char>(target[0]));
    if (!rootText) return std::nullopt;
    char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(target[0])));
    auto found = platform::FindDrive(letter);
    if (!found || !found->removable) return std::nullopt;
    return platform::DriveRootText(letter);
}

bool FormatForCommandLine(std::string_view target, std::FILE* messages) {
    auto root = RemovableDriveRoot(target);
    if (!root) {
        std::fprintf(messages,
                     "ostrel-cli: --format needs the root of a removable drive (such as E:\\), "
                     "not '%.*s'; see ostrel-cli drives\n",
                     static_cast<int>(target.size()), target.data());
        return false;
    }
    DriveFormatter formatter(SystemFormatter(
        [messages](const std::string& text) { std::fprintf(messages, "%s\n", text.c_str()); }));
    formatter.FormatDrive(*root, root->c_str());
    return true;
}

}  // namespace drive
