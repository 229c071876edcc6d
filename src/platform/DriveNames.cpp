// The spelling of drive roots, the same on every system.
#include <cctype>

#include "platform/Drives.h"

namespace platform {
namespace {

char UpperLetter(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

}  // namespace

std::string DriveRootText(char letter) { return {UpperLetter(letter), ':', '\\'}; }

std::optional<char> RootLetter(std::string_view root) {
    if (root.size() < 2 || root.size() > 3 || root[1] != ':') return std::nullopt;
    if (root.size() == 3 && root[2] != '\\' && root[2] != '/') return std::nullopt;
    if (!std::isalpha(static_cast<unsigned char>(root[0]))) return std::nullopt;
    return UpperLetter(root[0]);
}

}  // namespace platform
