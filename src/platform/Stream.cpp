#include "platform/Stream.h"

#include <unistd.h>

#include <cerrno>

#include "platform/Path.h"

namespace platform {

std::FILE* OpenStream(const std::string& path, const char* mode) {
    const auto native = ToNativePath(path);
    if (!native) {
        errno = ENOENT;
        return nullptr;
    }
    return std::fopen(native->c_str(), mode);
}

void UseBinaryStandardStreams() {}

bool RemoveFile(const std::string& path) {
    const auto native = ToNativePath(path);
    if (!native) {
        errno = ENOENT;
        return false;
    }
    return std::remove(native->c_str()) == 0;
}

bool UnlinkFile(const std::string& path) {
    const auto native = ToNativePath(path);
    if (!native) {
        errno = ENOENT;
        return false;
    }
    return ::unlink(native->c_str()) == 0;
}

}  // namespace platform
