// The staging folder: its purge, the copy walk to the drive and the two shell
// operations that copy and delete.
#include <sys/stat.h>

#include <cstring>
#include <vector>

#include "pipeline/UpgradeJob.h"
#include "platform/Path.h"
#include "platform/Win32.h"

namespace pipeline {

namespace {

constexpr const char* kCopyFailed = "移动目录操作失败！ ";
constexpr const char* kDeleteFailed = "删除目录操作失败！ ";
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
    struct stat info {};
    return native && lstat(native->c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

bool IsDotName(const char* name) { return name[0] == '.'; }

bool IsSelfOrParent(const char* name) {
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

}  // namespace

bool UpgradeJob::DeleteFolder(const std::string& folder) {
    if (IsLink(folder)) return DeleteFileA(folder.c_str()) != FALSE;
    WIN32_FIND_DATAA found{};
    const std::string pattern = folder + "\\*.*";
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (IsSelfOrParent(found.cFileName)) continue;
            const std::string path = folder + "\\" + found.cFileName;
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && !IsLink(path)) {
                (void)DeleteFolder(path);  // what cannot go stays, and so does its folder
            } else {
                (void)DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    return RemoveDirectoryA(folder.c_str()) != FALSE;
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
                if (!ShellCopy(path, m_strDrive)) FailCopy();
            }
        } else if (!ShellCopy(path, m_strDrive)) {
            FailCopy();
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

// Once the drive itself is gone every further copy would fail the same way:
// the walk ends after the first message.
void UpgradeJob::FailCopy() {
    Fail();
    if (!PathFileExistsA(m_strDrive.c_str())) m_bDriveGone = true;
}

bool UpgradeJob::ShellCopy(const std::string& source, const std::string& destination) {
    std::vector<char> from = PathList(source);
    std::vector<char> to = PathList(destination);
    SHFILEOPSTRUCTA operation{};
    operation.wFunc = FO_COPY;
    operation.pFrom = from.data();
    operation.pTo = to.data();
    operation.fFlags = kSilentYesToAll;
    if (SHFileOperationA(&operation) == 0) return true;
    m_sink.ShowMessage(kCopyFailed, "", MB_ICONEXCLAMATION);
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
