// ShellExecuteA: documents and web addresses go to the desktop's handler
// (xdg-open), started detached; a format command line for the command
// interpreters is carried out as a format request.
#include "platform/ShellExecute.h"

#include <fcntl.h>
#include <strings.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <system_error>

#include "platform/Path.h"
#include "platform/Win32.h"

namespace {

namespace fs = std::filesystem;

constexpr int kStarted = 42;
constexpr int kOutOfMemory = 0;

// "https://...", "mailto:..."; a one-letter scheme is a drive.
bool IsAddress(std::string_view file) {
    const auto colon = file.find(':');
    if (colon == file.npos || colon < 2 || !std::isalpha(static_cast<unsigned char>(file[0]))) {
        return false;
    }
    return std::all_of(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(colon), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
    });
}

std::optional<fs::path> FindProgram(std::string_view name) {
    const char* path = std::getenv("PATH");
    std::string_view dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
    while (!dirs.empty()) {
        const auto end = dirs.find(':');
        const fs::path candidate = fs::path(dirs.substr(0, end)) / name;
        if (!dirs.substr(0, end).empty() && ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
        if (end == dirs.npos) break;
        dirs.remove_prefix(end + 1);
    }
    return std::nullopt;
}

// In the forked children only async-signal-safe calls are made. The
// grandchild reports a failed exec through a pipe that a successful exec
// closes, so the result is known without waiting for the handler.
[[noreturn]] void ReportAndExit(int report, int error) {
    [[maybe_unused]] const auto n = ::write(report, &error, sizeof error);
    ::_exit(127);
}

[[noreturn]] void RunDetachedChild(const char* program, char* const argv[], int report) {
    ::setsid();
    const pid_t grandchild = ::fork();
    if (grandchild < 0) ReportAndExit(report, errno);
    if (grandchild > 0) ::_exit(0);  // the handler is left to init
    const int devnull = ::open("/dev/null", O_RDONLY);
    if (devnull >= 0) ::dup2(devnull, STDIN_FILENO);
    // The signals the program blocks to watch them must reach the handler.
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::execv(program, argv);
    ReportAndExit(report, errno);
}

int StartDetached(const fs::path& program, const std::string& argument) {
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) return errno;
    std::string programText = program.string();
    std::string argumentText = argument;
    char* argv[] = {programText.data(), argumentText.data(), nullptr};
    const pid_t child = ::fork();
    if (child == 0) RunDetachedChild(programText.c_str(), argv, report[1]);
    const int forkError = child < 0 ? errno : 0;
    ::close(report[1]);
    if (child > 0) ::waitpid(child, nullptr, 0);
    int execError = 0;
    ssize_t n = 0;
    do {
        n = ::read(report[0], &execError, sizeof execError);
    } while (n < 0 && errno == EINTR);
    ::close(report[0]);
    if (forkError != 0) return forkError;
    return n == static_cast<ssize_t>(sizeof execError) ? execError : 0;
}

std::string Upper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

std::size_t SkipBlanks(const std::string& text, std::size_t pos) {
    while (pos < text.size() && text[pos] == ' ') ++pos;
    return pos;
}

// The value of the /FS: switch, up to the next switch, blank or quote.
std::optional<platform::FileSystem> FileSystemSwitch(const std::string& switches) {
    auto pos = switches.find("/FS:");
    if (pos == std::string::npos) return std::nullopt;
    pos += 4;
    auto end = switches.find_first_of("/ \"", pos);
    std::string value = switches.substr(pos, end == std::string::npos ? end : end - pos);
    if (value == "FAT") return platform::FileSystem::Fat;
    if (value == "FAT32") return platform::FileSystem::Fat32;
    return std::nullopt;
}

int RunFormatCommand(std::string_view program, std::string_view parameters) {
    auto request = platform::ParseFormatCommand(program, parameters);
    if (!request) {
        std::fprintf(stderr, "ostrel: not a format command this system can carry out\n");
        return ERROR_FILE_NOT_FOUND;
    }
    return platform::Format(*request).launch;
}

int OpenWithHandler(const std::string& target) {
    const auto handler = FindProgram("xdg-open");
    if (!handler) return SE_ERR_NOASSOC;
    const int error = StartDetached(*handler, target);
    if (error == 0) return kStarted;
    return (error == ENOMEM || error == EAGAIN) ? kOutOfMemory : SE_ERR_NOASSOC;
}

std::optional<fs::path> DocumentPath(std::string_view file, LPCSTR directory) {
    auto native = platform::ToNativePath(file);
    if (native && native->is_relative() && directory != nullptr) {
        if (auto base = platform::ToNativePath(directory)) native = *base / *native;
    }
    return native;
}

}  // namespace

namespace platform {

bool IsCommandInterpreter(std::string_view program) {
    const auto cut = program.find_last_of("\\/");
    const std::string name =
        Upper(cut == std::string_view::npos ? program : program.substr(cut + 1));
    return name == "CMD.EXE" || name == "COMMAND.COM" || name == "CMD" || name == "COMMAND";
}

std::optional<FormatRequest> ParseFormatCommand(std::string_view program,
                                                std::string_view parameters) {
    if (!IsCommandInterpreter(program)) return std::nullopt;
    std::string text = Upper(parameters);
    std::size_t pos = SkipBlanks(text, 0);
    if (text.compare(pos, 2, "/C") != 0) return std::nullopt;
    pos = SkipBlanks(text, pos + 2);
    if (pos < text.size() && text[pos] == '"') ++pos;
    if (text.compare(pos, 10, "FORMAT.COM") != 0) return std::nullopt;
    pos = SkipBlanks(text, pos + 10);
    if (pos + 1 >= text.size() || !std::isalpha(static_cast<unsigned char>(text[pos])) ||
        text[pos + 1] != ':') {
        return std::nullopt;
    }
    auto fileSystem = FileSystemSwitch(text.substr(pos + 2));
    if (!fileSystem) return std::nullopt;
    return FormatRequest{text[pos], *fileSystem};
}

}  // namespace platform

namespace {

int Launch(LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters, LPCSTR lpDirectory) {
    if (lpFile == nullptr || *lpFile == '\0') return ERROR_FILE_NOT_FOUND;
    const std::string_view file = lpFile;
    if (platform::IsCommandInterpreter(file))
        return RunFormatCommand(file, lpParameters ? lpParameters : "");
    // xdg-open knows only how to open.
    if (lpOperation != nullptr && strcasecmp(lpOperation, "open") != 0) return SE_ERR_NOASSOC;
    if (IsAddress(file)) return OpenWithHandler(std::string(file));
    const auto native = DocumentPath(file, lpDirectory);
    if (!native) return ERROR_PATH_NOT_FOUND;
    std::error_code ec;
    if (!fs::exists(*native, ec)) {
        return fs::is_directory(native->parent_path(), ec) ? ERROR_FILE_NOT_FOUND
                                                           : ERROR_PATH_NOT_FOUND;
    }
    return OpenWithHandler(fs::absolute(*native, ec).string());
}

}  // namespace

HINSTANCE ShellExecuteA(HWND /*hwnd*/, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters,
                        LPCSTR lpDirectory, int /*nShowCmd*/) {
    const std::intptr_t result = Launch(lpOperation, lpFile, lpParameters, lpDirectory);
    return reinterpret_cast<HINSTANCE>(result);
}
