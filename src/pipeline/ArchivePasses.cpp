// The two passes over the scratch archive: the count on the user-interface
// thread, the extraction with encoding on the worker.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "encoder/Encrypt.h"
#include "pipeline/ArchiveNames.h"
#include "pipeline/Rar4Names.h"
#include "pipeline/RarArchive.h"
#include "pipeline/UpgradeJob.h"
#include "platform/ErrorText.h"
#include "platform/Path.h"
#include "platform/Utf8.h"
#include "platform/Volume.h"
#include "platform/Win32.h"

namespace pipeline {

namespace {

constexpr const char* kEncodeFailed = " 文件操作失败！";
constexpr const char* kLeadsOutside = "升级文件中的条目指向升级目录之外，已拒绝：";

std::string Native(const std::string& path) {
    const auto native = platform::ToNativePath(path);
    return native ? platform::Utf8Text(*native) : std::string();
}

bool IsSymlink(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_symlink(
        std::filesystem::symlink_status(platform::Utf8Path(Native(path)), ec));
}

// weakly_canonical(root / relative) for a resolved root and a contained
// name, found with one status per name below the root while no link stands in
// the way (the common case: only the package's own links lead elsewhere).
std::filesystem::path ResolvedBelow(const std::filesystem::path& root,
                                    const std::filesystem::path& relative, std::error_code& ec) {
    std::filesystem::path at = root;
    for (const auto& name : relative) {
        at /= name;
        std::error_code statusError;
        const auto status = std::filesystem::symlink_status(at, statusError);
        if (name == "." || name == ".." || relative.has_root_path() ||
            std::filesystem::is_symlink(status)) {
            return std::filesystem::weakly_canonical(root / relative, ec);
        }
        if (!std::filesystem::is_directory(status)) break;  // nothing below it can be a link
    }
    return root / relative;
}

void ReportBrokenHeader(PassEnd end) {
    if (end == PassEnd::BrokenHeader) {
        std::fputs("\nFile header broken", stdout);
        std::fflush(stdout);
    }
}

}  // namespace

int UpgradeJob::GetFileCount(const std::string& archivePath, int mode) {
    int count = 0;
    const std::string staging = Native(m_strTempDir);
    const PassEnd end =
        WalkArchive(Native(archivePath), [&](RarArchive& archive, const RarEntry& entry, NameForm) {
            if (mode != 0) m_sink.ShowMessage(entry.name, "", MB_OK);
            if (archive.Process(rar::kSkip, staging) != rar::kSuccess) return PassEnd::Damaged;
            if (IsCountedEntry(entry)) ++count;
            return PassEnd::Complete;
        });
    ReportBrokenHeader(end);
    return count;
}

// The library resolves a hard link or file copy against the staging folder
// and drops ".." from its reference; a reference that needed that, one that
// reaches outside through a link already in the folder, and one to a file
// the package did not put there (the original resolved it against the
// current folder) are refused, and so is an entry whose own folder leads
// outside.
bool UpgradeJob::LeadsOutside(const RarEntry& entry, const std::string& landedName) {
    namespace fs = std::filesystem;
    if (!m_stagingRoot) return true;
    const fs::path& root = *m_stagingRoot;
    if (!FolderStaysInside(platform::Utf8Path(landedName).parent_path())) return true;
    if (!entry.isReference) return false;
    const std::string reference = platform::Utf8Text(fs::path(entry.referenceName));
    const std::string contained = ContainedPath(reference);
    if (contained.empty() ||
        platform::Utf8Path(contained) != platform::Utf8Path(reference).lexically_normal()) {
        return true;
    }
    std::error_code ec;
    const fs::path resolved = fs::weakly_canonical(root / platform::Utf8Path(contained), ec);
    return ec || !platform::IsInside(resolved, root) || !fs::is_regular_file(resolved, ec);
}

// Whether the folder `below` the staging root resolves inside it. A folder
// reached without a link stays so until the pass makes a link, so each one
// is looked at once in between rather than once per entry in it.
bool UpgradeJob::FolderStaysInside(const std::filesystem::path& below) {
    if (m_linkFreeFolders.contains(below.native())) return true;
    const std::filesystem::path& root = *m_stagingRoot;
    std::error_code ec;
    const std::filesystem::path folder = ResolvedBelow(root, below, ec);
    if (ec || !platform::IsInside(folder, root)) return false;
    if (folder == root / below) m_linkFreeFolders.insert(below.native());
    return true;
}

// The reason a file could not be made or filled, in the system's words. The
// library does not keep errno from the call that failed, so the reason is
// learnt again: a creation is tried once more, a write failure checks the
// room left on the staging file system.
static int StagingFailureReason(const std::filesystem::path& nativePath, int result,
                                std::uint64_t size) {
    if (result == rar::kWriteFailed || result == rar::kCloseFailed) {
        std::error_code ec;
        const auto room = std::filesystem::space(nativePath.parent_path(), ec);
        if (!ec && room.available < size) return ENOSPC;
    }
    const int error = platform::CreationFailure(nativePath);
    return error != 0 ? error : EIO;
}

// The library's Windows build takes a write that the system cut short (a
// full disk) for a whole one, and would call the short file extracted; its
// POSIX build checks each write's count itself.
static bool LandedShort(const RarEntry& entry, const std::string& staging,
                        const std::string& landedName) {
#ifdef _WIN32
    if (entry.isDirectory || entry.isLink || entry.isReference) return false;
    std::error_code ec;
    const auto size = std::filesystem::file_size(
        platform::Utf8Path(staging) / platform::Utf8Path(landedName), ec);
    return !ec && size < entry.size;
#else
    (void)entry;
    (void)staging;
    (void)landedName;
    return false;
#endif
}

// Every entry is processed with the staging folder as destination folder.
// Entries whose name had to be converted are written under the converted
// name, which the library would not sanitise: it is reduced here first.
PassEnd UpgradeJob::ProcessEntry(RarArchive& archive, const RarEntry& entry, NameForm form,
                                 int operation, std::string& landedName) {
    bool converted = false;
    landedName =
        ContainedPath(LandingName(entry.name, entry.wideName, entry.hostOs, form, converted));
    if (operation == rar::kExtract && !landedName.empty()) {
        const std::string resolved = m_landedNames.Resolve(landedName);
        converted = converted || resolved != landedName;
        landedName = resolved;
    }
    const std::string& staging = m_stagingFolder;
    if (operation == rar::kExtract && !landedName.empty() && LeadsOutside(entry, landedName)) {
        m_sink.ShowMessage(kLeadsOutside + landedName, kCaptionHint, MB_ICONEXCLAMATION);
        return PassEnd::Refused;
    }
    // Built only where it is needed: on many small entries the path costs as
    // much as the rest of an entry's bookkeeping.
    const auto target = [&] {
        return platform::Utf8Path(staging) / platform::Utf8Path(landedName);
    };
    int result = rar::kSuccess;
    if (!converted || operation != rar::kExtract) {
        result = archive.Process(operation, staging);
    } else if (landedName.empty()) {
        result = archive.Process(rar::kSkip, staging);
    } else {
        std::error_code ec;
        const std::filesystem::path landed = target();
        std::filesystem::create_directories(entry.isDirectory ? landed : landed.parent_path(), ec);
        result = archive.ProcessTo(operation, staging, platform::Utf8Text(landed));
    }
    if (entry.isLink) m_linkFreeFolders.clear();  // it may stand where a folder was
    // A write cut short had no room for the rest.
    const bool landedShort = result == rar::kSuccess && operation == rar::kExtract &&
                             LandedShort(entry, staging, landedName);
    if (result == rar::kSuccess && !landedShort) return PassEnd::Complete;
    if (landedShort || result == rar::kCreateFailed || result == rar::kWriteFailed ||
        result == rar::kCloseFailed) {
        const int reason =
            landedShort ? ENOSPC : StagingFailureReason(target(), result, entry.size);
        m_sink.ShowMessage(platform::Utf8Text(target()) + "\n" + platform::ErrorText(reason), "",
                           MB_ICONEXCLAMATION);
        return PassEnd::StagingFailed;
    }
    return PassEnd::Damaged;
}

PassEnd UpgradeJob::ExtractFiles(const std::string& archivePath, int mode) {
    m_nPos = 0;
    m_landedNames.Clear();
    m_linkFreeFolders.clear();
    // Resolved once a pass: every entry is held against the same folder.
    m_stagingFolder = Native(m_strTempDir);
    std::error_code ec;
    m_stagingRoot = std::filesystem::weakly_canonical(platform::Utf8Path(m_stagingFolder), ec);
    if (ec) m_stagingRoot.reset();
    const int operation = mode == 0 ? rar::kExtract : rar::kTest;
    const PassEnd end = WalkArchive(
        Native(archivePath), [&](RarArchive& archive, const RarEntry& entry, NameForm form) {
            if (StopRequested()) return PassEnd::Stopped;
            if (mode != 0) m_sink.ShowMessage(entry.name, "", MB_OK);
            std::string landedName;
            const PassEnd processed = ProcessEntry(archive, entry, form, operation, landedName);
            if (processed != PassEnd::Complete) return processed;
            StepProgress();
            if (operation == rar::kExtract && IsCountedEntry(entry) && HasEptSuffix(landedName) &&
                !IsSymlink(m_strTempDir + "\\" + landedName)) {
                EncodeEntry(landedName);
            }
            return PassEnd::Complete;
        });
    ReportBrokenHeader(end);
    return end;
}

void UpgradeJob::EncodeEntry(const std::string& landedName) {
    const std::string fullPath = m_strTempDir + "\\" + landedName;
    Encrypt encoder(fullPath, &m_DeviceInfo);
    if (!encoder.Encode()) {
        m_sink.ShowMessage(kEncodeFailed, kCaptionHint, MB_ICONINFORMATION);
        Fail();
        return;
    }
    DeleteFileA(fullPath.c_str());
    // An image already there under another letter case is the same file on
    // the device's file system: the new image replaces it under its spelling.
    const std::string image = Encrypt::ImagePath(landedName);
    const std::string spelt = m_landedNames.Resolve(image);
    if (spelt == image) return;
    const std::string staging = Native(m_strTempDir);
    std::error_code ec;
    // In two steps: Windows takes a rename that changes only the letter case
    // for no change.
    const auto folder = platform::Utf8Path(staging);
    const auto between = folder / platform::Utf8Path(spelt + ".ostrel-case");
    std::filesystem::rename(folder / platform::Utf8Path(image), between, ec);
    if (!ec) std::filesystem::rename(between, folder / platform::Utf8Path(spelt), ec);
    if (ec) {
        m_sink.ShowMessage(staging + "/" + spelt + "\n" + ec.message(), "", MB_ICONEXCLAMATION);
        Fail();
    }
}

}  // namespace pipeline
