#include "platform/FormatCommand.h"

#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <string>

#include "platform/ChildProcess.h"
#include "platform/FormatLauncher.h"
#include "platform/Path.h"

namespace platform {
namespace {

constexpr HINSTANCE kStarted = 33;
// pkexec's answers when the user dismissed the dialog or was not authorised.
constexpr int kPkexecDismissed = 126;
constexpr int kPkexecNotAuthorized = 127;

std::string Upper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

std::size_t SkipBlanks(const std::string& text, std::size_t pos) {
    while (pos < text.size() && text[pos] == ' ') ++pos;
    return pos;
}

// The value of the /FS: switch: FAT or FAT32, up to the next switch, blank or quote.
std::optional<bool> FileSystemIsFat32(const std::string& switches) {
    auto pos = switches.find("/FS:");
    if (pos == std::string::npos) return std::nullopt;
    pos += 4;
    auto end = switches.find_first_of("/ \"", pos);
    std::string value = switches.substr(pos, end == std::string::npos ? end : end - pos);
    if (value == "FAT") return false;
    if (value == "FAT32") return true;
    return std::nullopt;
}

FormatOutcome OutcomeOfStatus(FormatStatus status) {
    switch (status) {
        case FormatStatus::Formatted:
            return {kStarted, true};
        case FormatStatus::MkfsMissing:
            return {ERROR_FILE_NOT_FOUND, false};
        case FormatStatus::Failed:
            return {kStarted, false};
    }
    return {kStarted, false};
}

FormatOutcome RunHelper(const FormatSetup& setup, const Drive& drive, bool fat32) {
    if (setup.helper.empty() || access(setup.helper.c_str(), X_OK) != 0) {
        std::fprintf(stderr, "ostrel: format helper %s is missing\n", setup.helper.c_str());
        return {ERROR_FILE_NOT_FOUND, false};
    }
    if (setup.pkexec.empty()) {
        std::fprintf(stderr, "ostrel: pkexec is missing: no way to ask for authorisation\n");
        return {ERROR_ACCESS_DENIED, false};
    }
    return OutcomeOfHelper(RunAndWait(
        {setup.pkexec.string(), setup.helper.string(), drive.device, fat32 ? "FAT32" : "FAT"},
        true));
}

std::filesystem::path FindPkexec(const std::vector<std::filesystem::path>& dirs) {
    for (const auto& dir : dirs) {
        auto candidate = dir / "pkexec";
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return {};
}

// Installed under ../libexec/ostrel beside the program's bin folder, or
// beside the program itself when it lives in a folder of its own.
std::filesystem::path FindHelper(const std::filesystem::path& programDir) {
    if (programDir.empty()) return {};
    auto installed =
        (programDir / ".." / "libexec" / "ostrel" / "ostrel-format-helper").lexically_normal();
    auto beside = programDir / "ostrel-format-helper";
    if (access(installed.c_str(), X_OK) != 0 && access(beside.c_str(), X_OK) == 0) return beside;
    return installed;
}

}  // namespace

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
    auto fat32 = FileSystemIsFat32(text.substr(pos + 2));
    if (!fat32) return std::nullopt;
    return FormatRequest{text[pos], *fat32};
}

FormatSetup SystemFormatSetup() {
    FormatSetup setup;
    setup.asRoot = geteuid() == 0;
    setup.helper = FindHelper(ModulePath().parent_path());
    setup.pkexec = FindPkexec(setup.toolDirs);
    return setup;
}

FormatOutcome OutcomeOfHelper(std::optional<int> exitStatus) {
    if (!exitStatus) return {kStarted, false};
    switch (*exitStatus) {
        case kHelperFormatted:
            return {kStarted, true};
        case kHelperNoMkfs:
            return {ERROR_FILE_NOT_FOUND, false};
        case kHelperNotRemovable:
            return {ERROR_PATH_NOT_FOUND, false};
        case kPkexecDismissed:
        case kPkexecNotAuthorized:
            return {ERROR_ACCESS_DENIED, false};
        default:
            return {kStarted, false};
    }
}

FormatOutcome CarryOutFormatCommand(std::string_view program, std::string_view parameters,
                                    const FormatSetup& setup) {
    auto request = ParseFormatCommand(program, parameters);
    if (!request) {
        std::fprintf(stderr, "ostrel: not a format command this system can carry out\n");
        return {ERROR_FILE_NOT_FOUND, false};
    }
    auto drive = setup.findDrive(request->letter);
    // Only a removable volume of the drive table is ever formatted, whatever the text says.
    if (!drive || !drive->removable || (!drive->folderBacked && drive->device.empty())) {
        std::fprintf(stderr, "ostrel: %c: is not a removable drive; not formatted\n",
                     request->letter);
        return {ERROR_PATH_NOT_FOUND, false};
    }
    if (drive->folderBacked) return {kStarted, EmptyFolder(drive->root)};
    if (setup.asRoot) {
        return OutcomeOfStatus(FormatVolume(drive->device, request->fat32, setup.toolDirs));
    }
    return RunHelper(setup, *drive, request->fat32);
}

FormatOutcome CarryOutFormatCommand(std::string_view program, std::string_view parameters) {
    return CarryOutFormatCommand(program, parameters, SystemFormatSetup());
}

HINSTANCE ShellExecuteAndWait(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters,
                              LPCSTR lpDirectory, int nShowCmd, BOOL* succeeded) {
    if (lpFile && IsCommandInterpreter(lpFile)) {
        auto outcome = CarryOutFormatCommand(lpFile, lpParameters ? lpParameters : "");
        if (succeeded) *succeeded = outcome.formatted ? TRUE : FALSE;
        return outcome.launch;
    }
    HINSTANCE result =
        ShellExecuteA(hwnd, lpOperation, lpFile, lpParameters, lpDirectory, nShowCmd);
    if (succeeded) *succeeded = result > 32 ? TRUE : FALSE;
    return result;
}

}  // namespace platform
