#include "platform/ScratchHome.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <system_error>

#include "platform/Path.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

constexpr const char* kCacheName = "ostrel";

std::optional<fs::path> AbsoluteSetting(const char* value) {
    if (value == nullptr || *value != '/') return std::nullopt;
    return fs::path(value);
}

// Someone else who can change a folder on the way can swap our scratch
// folder for a link to theirs (or to a system folder) after every check.
bool OthersCanChange(const struct stat& info) {
    if (info.st_uid != geteuid() && info.st_uid != 0) return true;
    const bool othersWrite = (info.st_mode & (S_IWGRP | S_IWOTH)) != 0;
    return othersWrite && (info.st_mode & S_ISVTX) == 0;
}

int CheckWayTo(const fs::path& canonicalBase) {
    for (fs::path at = canonicalBase;; at = at.parent_path()) {
        struct stat info {};
        if (::stat(at.c_str(), &info) != 0) return errno;
        if (OthersCanChange(info)) return EPERM;
        if (at == at.root_path()) return 0;
    }
}

// ostrel/ itself: a real folder of this user's that nobody else may write.
int CheckOwnFolder(const fs::path& folder) {
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0) return errno;
    if (S_ISLNK(info.st_mode)) return ELOOP;
    if (!S_ISDIR(info.st_mode)) return ENOTDIR;
    if (info.st_uid != geteuid() || (info.st_mode & (S_IWGRP | S_IWOTH)) != 0) return EPERM;
    return 0;
}

int MakeFolder(const fs::path& folder) {
    return ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST ? 0 : errno;
}

}  // namespace

ScratchHome UserCacheFolder(const char* xdgCacheHome, const char* home) {
    auto base = AbsoluteSetting(xdgCacheHome);
    if (!base) {
        const auto homeFolder = AbsoluteSetting(home);
        if (!homeFolder) return {"$HOME/.cache/" + std::string(kCacheName), ENOENT};
        base = *homeFolder / ".cache";
    }
    const fs::path meant = *base / kCacheName;
    std::error_code ec;
    fs::create_directories(*base, ec);  // a new account may have no ~/.cache yet
    if (ec) return {meant.string(), ec.value()};
    const fs::path real = fs::canonical(*base, ec);
    if (ec) return {meant.string(), ec.value()};
    const fs::path folder = real / kCacheName;
    int error = CheckWayTo(real);
    if (error == 0) error = MakeFolder(folder);
    if (error == 0) error = CheckOwnFolder(folder);
    return {error == 0 ? ToDrivePath(folder) : meant.string(), error};
}

bool KeepsScratchBeside(const fs::path& programDir) {
    const fs::path dir = programDir.lexically_normal();
    const bool installed = dir.filename() == "ostrel" && dir.parent_path().filename() == "libexec";
    return !installed && ::access(dir.c_str(), W_OK) == 0;
}

ScratchHome ProgramScratchHome() {
    const fs::path programDir = ModulePath().parent_path();
    if (!programDir.empty() && KeepsScratchBeside(programDir)) return {ProgramFolder(), 0};
    return UserCacheFolder(std::getenv("XDG_CACHE_HOME"), std::getenv("HOME"));
}

}  // namespace platform
