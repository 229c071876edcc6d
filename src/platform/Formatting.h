// Formatting a drive of the drive table, as the program asks for it: a drive
// letter and a file system, never a command line. Here
// - a folder-backed drive (OSTREL_DRIVES) is emptied, the visible effect of
//   a quick format;
// - a removable volume is formatted with mkfs.fat, in-process when we run as
//   root, else through pkexec and ostrel-format-helper, which checks the
//   device against the drive table again before touching it;
// - anything else, the system disk above all, is refused.
//
// The format is carried out to its end before the call returns, so that the
// caller learns the outcome and never copies onto a drive still being
// formatted.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

#include "platform/Drives.h"
#include "platform/FatFormat.h"
#include "platform/Win32.h"

namespace platform {

enum class FileSystem { Fat, Fat32 };

// As the format command, the helper's argument and the messages name it.
inline const char* FileSystemName(FileSystem fileSystem) {
    return fileSystem == FileSystem::Fat32 ? "FAT32" : "FAT";
}

struct FormatRequest {
    char drive = 0;  // the drive letter, upper case
    FileSystem fileSystem = FileSystem::Fat;
};

// Exit statuses of ostrel-format-helper; 2 and 3 are also launch results.
enum HelperExit : int {
    kHelperFormatted = 0,
    kHelperFailed = 1,
    kHelperNoMkfs = 2,        // as "file not found"
    kHelperNotRemovable = 3,  // as "path not found"
    kHelperUsage = 64,
};

// How the format reaches the drives and the tools; tests replace parts.
struct FormatSetup {
    std::function<std::optional<Drive>(char letter)> findDrive = FindDrive;
    std::vector<std::filesystem::path> toolDirs = SystemToolDirs();
    bool asRoot = false;           // format in-process
    std::filesystem::path helper;  // ostrel-format-helper
    std::filesystem::path pkexec;  // empty when not installed
};

// The setup for this process: the real drive table, root or not, the helper
// installed with the program (../libexec/ostrel/ostrel-format-helper, or
// beside the program).
FormatSetup SystemFormatSetup();

struct FormatOutcome {
    // As ShellExecuteA answers for the Windows format command: above 32 when
    // the format ran; 2 nothing to run it with (mkfs.fat or the helper
    // missing), 3 no removable drive of that letter, 5 authorisation refused.
    int launch = 0;
    bool formatted = false;  // the format ran and the drive is formatted
};

FormatOutcome Format(const FormatRequest& request, const FormatSetup& setup);
FormatOutcome Format(const FormatRequest& request);

// The launch result for the exit status of `pkexec helper ...`.
FormatOutcome OutcomeOfHelper(std::optional<int> exitStatus);

}  // namespace platform
