// What the staging folder must not hand on as it is: links, and writes that
// the system still holds in its cache.
#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "pipeline/UpgradeJob.h"
#include "platform/ErrorText.h"
#include "platform/Path.h"
#include "platform/Volume.h"
#include "platform/Win32.h"

namespace pipeline {

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> LinksUnder(const fs::path& root) {
    std::vector<fs::path> links;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_symlink(ec)) links.push_back(it->path());
    }
    return links;
}

// A link to a file inside the staging folder becomes a copy of that file;
// every other link goes. Nothing outside the folder is read or written.
bool ReplaceLink(const fs::path& link, const fs::path& root) {
    std::error_code ec;
    const fs::path target = fs::canonical(link, ec);
    const bool keep = !ec && platform::IsInside(target, root) && fs::is_regular_file(target, ec);
    if (!keep) return fs::remove(link, ec);
    fs::path copy = link;
    copy += ".ostrel-link";
    if (!fs::copy_file(target, copy, fs::copy_options::overwrite_existing, ec)) return false;
    fs::rename(copy, link, ec);
    if (ec) fs::remove(copy, ec);
    return !ec;
}

}  // namespace

void UpgradeJob::ReplaceLinks() {
    const auto native = platform::ToNativePath(m_strTempDir);
    std::error_code ec;
    if (!native || !fs::is_directory(*native, ec)) return;
    const fs::path root = fs::canonical(*native, ec);
    if (ec) return;
    for (const auto& link : LinksUnder(root)) {
        if (!ReplaceLink(link, root)) {
            m_sink.ShowMessage(kCopyFailed, "", MB_ICONEXCLAMATION);
            Fail();
        }
    }
}

// USB sticks are written back lazily; the user pulls the stick as soon as
// the job says it succeeded. A failure names the drive and the cause (a
// stick pulled during the flush is gone from the drive table).
bool UpgradeJob::FlushDrive() {
    const auto native = platform::ToNativePath(m_strDrive);
    const int error = native ? platform::FlushVolume(*native) : ENODEV;
    if (error != 0) {
        m_sink.ShowMessage(
            std::string(kCopyFailed) + "\n" + m_strDrive + "\n" + platform::ErrorText(error), "",
            MB_ICONEXCLAMATION);
    }
    return error == 0;
}

}  // namespace pipeline
