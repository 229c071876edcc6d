// The staging folder: its purge, the copy walk to the drive and the two shell
// operations that copy and delete.
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

#include "pipeline/UpgradeJob.h"
#include "platform/ErrorText.h"
#include "platform/Path.h"
#include "platform/ShellCopy.h"
#include "platform/Utf8.h"
#include "platform/Volume.h"
#include "platform/Win32.h"

namespace pipeline {

namespace {

constexpr const char* kDeleteFailed = "删除目录操作失败！ ";
constexpr const char* kNotOnDrive = "复制后U盘上缺少文件或大小不符：";
constexpr WORD kSilentYesToAll = FOF_SILENT | FOF_NOCONFIRMATION;

// A shell path list: the path, then two NULs.
std::vector<char> PathList(const std::string& path) {
    std::vector<char> list(path.size() + 2, '\0');
    std::memcpy(list.data(), path.data(), path.size());
    return list;
}

// A folder reached through a link is deleted as the link, never walked.
bool IsLink(const std::string& path) {
    const auto native = platform::ToNativePath(path);
    std::error_code ec;
    return native && std::filesystem::is_symlink(std::filesystem::symlink_status(*native, ec));
}

bool IsDotName(const char* name) { return name[0] == '.'; }

std::uintmax_t ListedSize(const WIN32_FIND_DATAA& found) {
    return (std::uintmax_t{found.nFileSizeHigh} << 32) | found.nFileSizeLow;
}

bool IsSelfOrParent(const char* name) {
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

}  // namespace

// Everything in the staging folder is the program's own making, read-only
// entries too: all of it goes, and what cannot go is noted for the job.
bool UpgradeJob::DeleteFolder(const std::string& folder) {
    if (IsLink(folder)) return PurgeFile(folder);
    (void)SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_DIRECTORY);
    WIN32_FIND_DATAA found{};
    const std::string pattern = folder + "\\*.*";
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (IsSelfOrParent(found.cFileName)) continue;
            const std::string path = folder + "\\" + found.cFileName;
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && !IsLink(path)) {
                (void)DeleteFolder(path);  // its own failure is noted, and this folder's follows
            } else {
                if ((found.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
                    (void)SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                }
                (void)PurgeFile(path);
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    if (RemoveDirectoryA(folder.c_str())) return true;
    NotePurgeFailure(folder);
    return false;
}

bool UpgradeJob::PurgeFile(const std::string& path) {
    if (DeleteFileA(path.c_str())) return true;
    NotePurgeFailure(path);
    return false;
}

void UpgradeJob::CopyFolder(std::string dir) {
    WIN32_FIND_DATAA found{};
    const std::string pattern = dir + "\\*.*";
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (StopRequested() || m_bDriveGone) {
            Fail();
            break;
        }
        Sleep(static_cast<DWORD>(m_pauses.perCopyEntry.count()));
        const std::string path = dir + "\\" + found.cFileName;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            if (IsDotName(found.cFileName)) continue;
            ++m_nDirCount;
            if (m_nDirCount == 1) {
                CopyFolder(path);
            } else {
                StepProgress();
                CopyEntry(path, std::nullopt);
            }
        } else {
            CopyEntry(path, ListedSize(found));
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

void UpgradeJob::CopyEntry(const std::string& path, std::optional<std::uintmax_t> size) {
    if (ShellCopy(path, CopyTarget())) {
        m_copied.push_back({path, size});
    } else {
        FailCopy();
    }
}

// The drive's folder is opened once, at the walk's first copy, and held for
// the walk: every later copy goes into the folder that was opened, and
// fails rather than land on the system disk once a pulled stick's mount
// point is a plain folder again.
const platform::CopyDestination& UpgradeJob::CopyTarget() {
    if (!m_copyTarget) m_copyTarget.emplace(m_strDrive);
    return *m_copyTarget;
}

// After the flush every file the walk copied must be on the drive with its
// size: a file removed or cut behind the copy's back is no upgrade.
bool UpgradeJob::VerifyCopies() {
    namespace fs = std::filesystem;
    const auto drive = platform::ToNativePath(m_strDrive);
    for (const Copied& copied : m_copied) {
        const auto source = platform::ToNativePath(copied.path);
        if (!drive || !source) return false;
        const fs::path landed = *drive / source->filename();
        // A file, most of what the walk copied, is told by its size alone;
        // staging holds no links by now, so the listed size is the file's.
        if (copied.size) {
            if (!LandedWithSize(copied.size, landed)) return false;
            continue;
        }
        std::error_code ec;
        if (!fs::is_directory(fs::symlink_status(*source, ec))) {
            if (!LandedWhole(*source, landed)) return false;
            continue;
        }
        for (fs::recursive_directory_iterator it(*source, ec), end; !ec && it != end;
             it.increment(ec)) {
            if (!it->is_directory(ec) &&
                !LandedWhole(it->path(), landed / it->path().lexically_relative(*source))) {
                return false;
            }
        }
        if (ec) return false;
    }
    return true;
}

bool UpgradeJob::LandedWhole(const std::filesystem::path& source,
                             const std::filesystem::path& landed) {
    // file_size answers for regular files only: one look at each side.
    std::error_code ec;
    const auto size = std::filesystem::file_size(source, ec);
    return LandedWithSize(ec ? std::nullopt : std::optional(size), landed);
}

bool UpgradeJob::LandedWithSize(std::optional<std::uintmax_t> size,
                                const std::filesystem::path& landed) {
    std::error_code ec;
    if (size && std::filesystem::file_size(landed, ec) == *size && !ec) {
        ++m_landed.files;
        m_landed.bytes += *size;
        return true;
    }
    m_sink.ShowMessage(kNotOnDrive + platform::ToDrivePath(landed), "", MB_ICONEXCLAMATION);
    return false;
}

// Once the drive itself is gone, cannot be opened or takes no writes (a
// write-protected stick), every further copy would fail the same way: the walk ends after
// the first message.
void UpgradeJob::FailCopy() {
    Fail();
    const platform::CopyDestination& target = CopyTarget();
    const bool unusable = target.Error() != 0 || platform::IsReadOnlyVolume(target.Path());
    if (unusable || !PathFileExistsA(m_strDrive.c_str())) m_bDriveGone = true;
}

// Where a file of the walk lands, in the drive's terms even once the drive
// has gone from the table (a pulled stick's mount point means nothing to
// the user).
std::string UpgradeJob::OnDrive(const std::string& name) const {
    if (const auto root = platform::ToNativePath(m_strDrive)) {
        return platform::ToDrivePath(*root / platform::Utf8Path(name));
    }
    const bool rooted = !m_strDrive.empty() && m_strDrive.back() == '\\';
    return m_strDrive + (rooted ? "" : "\\") + name;
}

// The failure names the file or folder as it would have landed and the
// cause: a full stick, a name FAT refuses and a pulled stick need different
// remedies.
bool UpgradeJob::ShellCopy(const std::string& source,
                           const platform::CopyDestination& destination) {
    int error = platform::CopyIntoFolder(source, destination);
    if (error == 0) return true;
    // A pulled stick's dead file system fails with what it happens to meet
    // (EIO, or ENOENT for a name it can no longer look up): the cause to
    // tell is the pull.
    if (!PathFileExistsA(m_strDrive.c_str())) error = ENODEV;
    const std::string landed = OnDrive(source.substr(source.find_last_of("\\/") + 1));
    m_sink.ShowMessage(std::string(kCopyFailed) + "\n" + landed + "\n" + platform::ErrorText(error),
                       "", MB_ICONEXCLAMATION);
    return false;
}

bool UpgradeJob::ShellDelete(const std::string& folder) {
    std::vector<char> from = PathList(folder);
    SHFILEOPSTRUCTA operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.data();
    operation.pTo = nullptr;
    operation.fFlags = kSilentYesToAll;
    if (SHFileOperationA(&operation) == 0) return true;
    m_sink.ShowMessage(kDeleteFailed, "", MB_ICONEXCLAMATION);
    return false;
}

}  // namespace pipeline
