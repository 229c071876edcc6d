#include "platform/Process.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

namespace platform {

unsigned long CurrentProcessId() { return static_cast<unsigned long>(getpid()); }

bool ProcessIsGone(unsigned long id) {
    return ::kill(static_cast<pid_t>(id), 0) != 0 && errno == ESRCH;
}

std::optional<std::filesystem::path> MakeFreshFolder(const std::filesystem::path& base,
                                                     std::string_view prefix) {
    std::string pattern = (base / (std::string(prefix) + "XXXXXX")).string();
    if (mkdtemp(pattern.data()) == nullptr) return std::nullopt;
    return std::filesystem::path(pattern);
}

}  // namespace platform
