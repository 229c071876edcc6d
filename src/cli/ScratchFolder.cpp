#include "cli/ScratchFolder.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <system_error>

#include "platform/Process.h"

namespace cli {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kPrefix = "ostrel-";
constexpr const char* kOwnerFile = "owner";

// A folder of ours whose process is gone: killed outright, it could not
// remove its own scratch data.
bool IsLeftBehind(const fs::path& folder) {
    std::error_code ec;
    if (!fs::is_directory(fs::symlink_status(folder, ec))) return false;
    if (folder.filename().string().rfind(kPrefix, 0) != 0) return false;
    std::ifstream owner(folder / kOwnerFile);
    long pid = 0;
    if (!(owner >> pid) || pid <= 0) return false;  // not ours, or still being made
    return platform::ProcessIsGone(static_cast<unsigned long>(pid));
}

// Files the job made read-only sit in folders that may be read-only too.
void RemoveWhole(const fs::path& folder) {
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(folder, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec)) {
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
        }
    }
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(folder, ec);
}

void RemoveLeftBehind(const fs::path& base) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(base, ec)) {
        if (IsLeftBehind(entry.path())) RemoveWhole(entry.path());
    }
}

}  // namespace

ScratchFolder::ScratchFolder() {
    std::error_code ec;
    const auto base = fs::temp_directory_path(ec);
    if (ec) {
        m_error = ec.message();
        return;
    }
    RemoveLeftBehind(base);
    const auto folder = platform::MakeFreshFolder(base, kPrefix);
    if (!folder) {
        m_error = (base / "ostrel-XXXXXX").string() + ": " + std::strerror(errno);
        return;
    }
    std::ofstream(*folder / kOwnerFile) << platform::CurrentProcessId() << '\n';
    m_path = *folder;
}

ScratchFolder::~ScratchFolder() {
    if (!m_path.empty()) RemoveWhole(m_path);
}

}  // namespace cli
