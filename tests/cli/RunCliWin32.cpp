#include <string>

#include "cli/RunCli.h"
#include "platform/Utf8.h"
#include "platform/Win32.h"
#include "support/TempDir.h"

namespace clitest {
namespace {

// One argument as the C runtime splits a command line again: quoted, with
// the backslashes before a quote doubled.
std::wstring Quoted(const std::wstring& word) {
    std::wstring out = L"\"";
    std::size_t slashes = 0;
    for (wchar_t c : word) {
        if (c == L'\\') {
            ++slashes;
            continue;
        }
        out.append(c == L'"' ? slashes * 2 + 1 : slashes, L'\\');
        slashes = 0;
        out += c;
    }
    out.append(slashes * 2, L'\\');
    return out + L"\"";
}

// Cross-built, the program's path is the build machine's, which wine shows
// as drive Z:.
std::wstring ProgramPath() {
    std::wstring path = platform::Utf8Path(OSTREL_CLI_PATH).wstring();
    if (!path.empty() && path[0] == L'/') path = L"Z:" + path;
    return path;
}

HANDLE InheritableFile(const std::filesystem::path& path) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

CliResult RunCli(const std::vector<std::string>& args, int signal,
                 const std::function<bool()>& /*ready*/) {
    CliResult result;
    if (signal != 0) return result;
    testsupport::TempDir dir;
    const std::wstring program = ProgramPath();
    std::wstring line = Quoted(program);
    for (const auto& arg : args) line += L" " + Quoted(platform::Utf8Path(arg).wstring());
    HANDLE out = InheritableFile(dir / "out");
    HANDLE err = InheritableFile(dir / "err");
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE, 0,
                                        nullptr, nullptr, &startup, &process);
    CloseHandle(out);
    CloseHandle(err);
    if (!started) return result;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 0;
    if (GetExitCodeProcess(process.hProcess, &status)) result.status = static_cast<int>(status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    result.out = testsupport::ReadFile(dir / "out");
    result.err = testsupport::ReadFile(dir / "err");
    return result;
}

}  // namespace clitest
