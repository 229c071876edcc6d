// The path rules that hold on every system.
#include <algorithm>
#include <cerrno>

#include "platform/Path.h"
#include "platform/Win32.h"

namespace platform {

std::optional<std::filesystem::path> NativeArgument(const char* path) {
    if (path == nullptr) {
        errno = EINVAL;
        return std::nullopt;
    }
    return ToNativePath(path);
}

bool IsInside(const std::filesystem::path& path, const std::filesystem::path& root) {
    auto at = path.begin();
    for (const auto& part : root) {
        if (part.empty()) continue;  // a trailing separator
        if (at == path.end() || *at != part) return false;
        ++at;
    }
    return true;
}

std::string ProgramFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string_view text = path;
    return std::string(text.substr(0, std::min(text.rfind('\\'), text.size())));
}

}  // namespace platform
