// Carrying out the format command lines that the program hands to the
// command interpreters ("CMD.EXE" /C "format.com E:/.../FS:FAT32"). Neither
// exists here: the drive letter and the file system are read from the text,
// the drive is looked up in the drive table, and then
// - a folder-backed drive (OSTREL_DRIVES) is emptied, the visible effect of
//   a quick format;
// - a removable volume is formatted with mkfs.fat, in-process when we run as
//   root, else through pkexec and ostrel-format-helper, which checks the
//   device against the drive table again before touching it;
// - anything else, the system disk above all, is refused.
//
// The command is carried out to its end before the call returns, so that the
// caller learns the outcome and never copies onto a drive still being
// formatted.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/Drives.h"
#include "platform/FatFormat.h"
#include "platform/Win32.h"

namespace platform {

struct FormatRequest {
    char letter = 0;  // upper case
    bool fat32 = false;
};

// Reads a format command line: the program must be "CMD.EXE" or
// "COMMAND.COM" (any case, folder or extension optional) and the parameters "/C" followed by a
// quoted "format.com X:..." with a /FS:FAT or /FS:FAT32 switch (any case, any blanks). Empty for
// anything else.
std::optional<FormatRequest> ParseFormatCommand(std::string_view program,
                                                std::string_view parameters);

// Exit statuses of ostrel-format-helper; 2 and 3 are also launch results.
enum HelperExit : int {
    kHelperFormatted = 0,
    kHelperFailed = 1,
    kHelperNoMkfs = 2,        // as "file not found"
    kHelperNotRemovable = 3,  // as "path not found"
    kHelperUsage = 64,
};

// How the launcher reaches the drives and the tools; tests replace parts.
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
    // As ShellExecuteA answers: above 32 when the command ran; 2 no command
    // to run here (unreadable text, mkfs.fat or the helper missing), 3 no
    // removable drive of that letter, 5 authorisation refused.
    HINSTANCE launch = 0;
    bool formatted = false;  // the command ran and the drive is formatted
};

FormatOutcome CarryOutFormatCommand(std::string_view program, std::string_view parameters,
                                    const FormatSetup& setup);
FormatOutcome CarryOutFormatCommand(std::string_view program, std::string_view parameters);

// The launch result for the exit status of `pkexec helper ...`.
FormatOutcome OutcomeOfHelper(std::optional<int> exitStatus);

// ShellExecuteA, for callers that must know how the launched command ended:
// a format command line is carried out to its end and *succeeded tells
// whether the drive was formatted; anything else goes to ShellExecuteA and
// *succeeded only tells that it was started.
HINSTANCE ShellExecuteAndWait(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters,
                              LPCSTR lpDirectory, int nShowCmd, BOOL* succeeded);

}  // namespace platform
