#include <cerrno>
#include <random>
#include <string>
#include <system_error>

#include "platform/Process.h"
#include "platform/Win32.h"

namespace platform {

unsigned long CurrentProcessId() { return GetCurrentProcessId(); }

// An id that opens no process, or one that has ended, is gone.
bool ProcessIsGone(unsigned long id) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
    if (process == nullptr) return GetLastError() == ERROR_INVALID_PARAMETER;
    const bool ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
}

// No mkdtemp: random names until create_directory makes one anew. The
// user's temporary folder is the user's own already.
std::optional<std::filesystem::path> MakeFreshFolder(const std::filesystem::path& base,
                                                     std::string_view prefix) {
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name(prefix);
        for (int i = 0; i < 6; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
        std::error_code ec;
        const auto folder = base / name;
        if (std::filesystem::create_directory(folder, ec)) return folder;
        if (ec) {
            errno = ec.value();
            return std::nullopt;
        }
    }
    errno = EEXIST;
    return std::nullopt;
}

}  // namespace platform
