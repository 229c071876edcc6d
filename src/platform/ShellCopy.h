// The copy of the staging folder's entries to the drive.
#pragma once

#include <filesystem>
#include <string>

namespace platform {

// The folder a run of copies goes into, opened once. Where the system keeps
// an open folder apart from its name (POSIX), every copy lands in the folder
// that was opened, on its own file system: once a pulled stick's mount point
// is a plain folder on the system disk again, the copies fail instead of
// filling the system disk.
class CopyDestination {
public:
    // `folder`: drive-form or native. Error() tells when it could not be opened.
    explicit CopyDestination(const std::string& folder);
    ~CopyDestination();
    CopyDestination(const CopyDestination&) = delete;
    CopyDestination& operator=(const CopyDestination&) = delete;

    // 0, or the errno value of the failed opening (ENODEV for a drive that is
    // gone, ENOTDIR for no folder).
    int Error() const { return m_error; }
    // Where the folder was when it was opened.
    const std::filesystem::path& Path() const { return m_path; }
    // The open folder, -1 where the system has none.
    int Handle() const { return m_handle; }

private:
    std::filesystem::path m_path;
    int m_handle = -1;
    int m_error = 0;
};

// Copies a file or folder (drive-form or native path) into `folder` under its
// own name, replacing files there without asking, as SHFileOperationA's
// FO_COPY does. A file takes its name only once its copy is whole and written
// back, so a failed copy leaves the file that was there as it was. Links are
// never followed out of the copied tree. 0 when everything was copied, else
// the first failure's errno value (the opening's error for a destination that
// could not be opened).
int CopyIntoFolder(const std::string& source, const CopyDestination& folder);

}  // namespace platform
