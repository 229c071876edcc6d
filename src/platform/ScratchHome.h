// Where the windowed program's job keeps its scratch data (Temp and TEMP.TMP).
// Run from a folder of its own, the program keeps it beside itself; installed,
// its folder belongs to the system (/usr is not writable), so each user's
// cache folder holds it instead.
#pragma once

#include <filesystem>
#include <string>

namespace platform {

// The folder for scratch data, drive form; when refused, the folder that was
// meant and why (an errno value), for the job to report.
struct ScratchHome {
    std::string folder;
    int error = 0;
};

// The program's own folder when KeepsScratchBeside holds for it, else the
// user's cache folder (UserCacheFolder, from the environment).
ScratchHome ProgramScratchHome();

// False for an installed program (its folder is <prefix>/libexec/ostrel, the
// install rules' layout) and for a folder this user may not write.
bool KeepsScratchBeside(const std::filesystem::path& programDir);

// <cache>/ostrel, made (mode 0700) when missing. <cache> is xdgCacheHome, else
// home/.cache, each only when set to an absolute path (unset, empty and
// relative values are passed over, as the XDG base directory rules say).
// Links on the way are resolved: the result names the real folder. Refused
// (ENOENT) without an absolute home; (EPERM) when a folder on the way
// belongs to another user than this one or root, or others may write it
// without the sticky bit, or when ostrel/ itself is not this user's alone;
// (ELOOP) when ostrel/ is a link, (ENOTDIR) when it is no folder.
ScratchHome UserCacheFolder(const char* xdgCacheHome, const char* home);

}  // namespace platform
