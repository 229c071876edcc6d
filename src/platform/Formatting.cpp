#include "platform/Formatting.h"

#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/ChildProcess.h"
#include "platform/Path.h"

namespace platform {
namespace {

constexpr int kStarted = 33;
// pkexec's answers when the user dismissed the dialog or was not authorised.
constexpr int kPkexecDismissed = 126;
constexpr int kPkexecNotAuthorized = 127;

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

FormatOutcome RunHelper(const FormatSetup& setup, const Drive& drive, FileSystem fileSystem) {
    if (setup.helper.empty() || access(setup.helper.c_str(), X_OK) != 0) {
        std::fprintf(stderr, "ostrel: format helper %s is missing\n", setup.helper.c_str());
        return {ERROR_FILE_NOT_FOUND, false};
    }
    if (setup.pkexec.empty()) {
        std::fprintf(stderr, "ostrel: pkexec is missing: no way to ask for authorisation\n");
        return {ERROR_ACCESS_DENIED, false};
    }
    return OutcomeOfHelper(RunAndWait(
        {setup.pkexec.string(), setup.helper.string(), drive.device, FileSystemName(fileSystem)},
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

FormatOutcome Format(const FormatRequest& request, const FormatSetup& setup) {
    auto drive = setup.findDrive(request.drive);
    // Only a removable volume of the drive table is ever formatted, whoever asks.
    if (!drive || !drive->removable || (!drive->folderBacked && drive->device.empty())) {
        std::fprintf(stderr, "ostrel: %c: is not a removable drive; not formatted\n",
                     request.drive);
        return {ERROR_PATH_NOT_FOUND, false};
    }
    if (drive->folderBacked) return {kStarted, EmptyFolder(drive->root)};
    const bool fat32 = request.fileSystem == FileSystem::Fat32;
    if (setup.asRoot) return OutcomeOfStatus(FormatVolume(drive->device, fat32, setup.toolDirs));
    return RunHelper(setup, *drive, request.fileSystem);
}

FormatOutcome Format(const FormatRequest& request) { return Format(request, SystemFormatSetup()); }

}  // namespace platform
