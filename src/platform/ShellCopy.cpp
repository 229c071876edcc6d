#include "platform/ShellCopy.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/Win32.h"

namespace platform {
namespace {

// A shell path list: the path, then two NULs.
std::vector<char> PathList(const std::string& path) {
    std::vector<char> list(path.size() + 2, '\0');
    std::memcpy(list.data(), path.data(), path.size());
    return list;
}

}  // namespace

// Our SHFileOperationA copies that way and leaves the first failure in errno.
int CopyIntoFolder(const std::string& source, const std::string& folder) {
    std::vector<char> from = PathList(source);
    std::vector<char> to = PathList(folder);
    SHFILEOPSTRUCTA operation{};
    operation.wFunc = FO_COPY;
    operation.pFrom = from.data();
    operation.pTo = to.data();
    operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION;
    return SHFileOperationA(&operation) == 0 ? 0 : errno;
}

}  // namespace platform
