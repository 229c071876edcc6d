// The copy of the staging folder's entries to the drive.
#pragma once

#include <string>

namespace platform {

// Copies a file or folder (drive-form or native path) into `folder` under its
// own name, replacing files there without asking, as SHFileOperationA's
// FO_COPY does. A file takes its name only once its copy is whole and written
// back, so a failed copy leaves the file that was there as it was. Links are
// never followed out of the copied tree. 0 when everything was copied, else
// the first failure's errno value (ENODEV for a drive that is gone).
int CopyIntoFolder(const std::string& source, const std::string& folder);

}  // namespace platform
