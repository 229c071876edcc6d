// SHFileOperationA: copy and delete, silently, replacing without asking;
// the copy into an open folder (ShellCopy.h) is the same copy.
//
// Symbolic links never carry an operation out of its tree: delete removes
// the link itself; copy takes a link as the file it names only when that
// file lies inside the source tree (the folder being copied, or the folder
// holding a file being copied), and otherwise leaves it out and fails.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/Drives.h"
#include "platform/Path.h"
#include "platform/ShellCopy.h"
#include "platform/Win32.h"

namespace {

namespace fs = std::filesystem;

constexpr int kInvalidParameter = 87;
constexpr int kDiskFull = 112;
constexpr int kNotImplemented = 120;
constexpr int kAlreadyExists = 183;
constexpr int kUnknownError = 0x402;

int WindowsError(int error) {
    switch (error) {
        case 0:
            return 0;
        case ENOENT:
            return ERROR_FILE_NOT_FOUND;
        case ENOTDIR:
            return ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EROFS:
            return ERROR_ACCESS_DENIED;
        case ENOSPC:
        case EDQUOT:
            return kDiskFull;
        case EEXIST:
        case EISDIR:
            return kAlreadyExists;
        default:
            return kUnknownError;
    }
}

// The first failure is the one reported, its error number left in errno for
// the caller's message; the operation goes on after it.
class Outcome {
public:
    void Fail(int error) {
        if (m_error == 0 && error != 0) m_errno = error;
        if (m_error == 0) m_error = WindowsError(error);
    }
    void Fail(const std::error_code& ec) { Fail(ec ? ec.value() : EIO); }
    int Result() const {
        if (m_error != 0) errno = m_errno;
        return m_error;
    }

private:
    int m_error = 0;
    int m_errno = 0;
};

class Fd {
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() {
        if (m_fd >= 0) ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }
    bool ok() const { return m_fd >= 0; }
    int Release() {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

std::vector<std::string> SplitList(const char* list) {
    std::vector<std::string> paths;
    for (const char* p = list; *p != '\0'; p += paths.back().size() + 1) paths.emplace_back(p);
    return paths;
}

int WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return 0;
}

// The kernel copies without a trip through our buffer where it can; it
// refuses across some file systems, and then the plain loop does the work.
std::optional<int> CopyInKernel(int in, int out) {
    bool copiedAny = false;
    for (;;) {
        const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, std::size_t{1} << 30, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n == 0) return 0;
        if (n > 0) {
            copiedAny = true;
            continue;
        }
        const bool unsupported = errno == EXDEV || errno == EINVAL || errno == ENOSYS ||
                                 errno == EOPNOTSUPP || errno == EBADF;
        if (unsupported && !copiedAny) return std::nullopt;
        return errno;
    }
}

// Where the kernel refused to copy: a source and a target file system. A
// job copies thousands of files between the same two and asks once; the
// plain loop is right everywhere, so a stale answer costs speed only.
class KernelCopyRefusals {
public:
    // `toFolder`: the folder being copied into; its file system is looked up
    // only once there is a refusal to compare it with.
    bool Refused(dev_t from, int toFolder) {
        const std::lock_guard lock(m_mutex);
        return !m_refused.empty() && m_refused.contains({from, DeviceOf(toFolder)});
    }
    void Note(dev_t from, int toFolder) {
        const std::lock_guard lock(m_mutex);
        m_refused.insert({from, DeviceOf(toFolder)});
    }

private:
    static dev_t DeviceOf(int folder) {
        struct stat info {};
        return ::fstat(folder, &info) == 0 ? info.st_dev : 0;
    }

    std::mutex m_mutex;
    std::set<std::pair<dev_t, dev_t>> m_refused;
};

KernelCopyRefusals& Refusals() {
    static KernelCopyRefusals refusals;
    return refusals;
}

int CopyBytes(int in, int out, dev_t from, int toFolder) {
    if (!Refusals().Refused(from, toFolder)) {
        if (auto result = CopyInKernel(in, out)) return *result;
        Refusals().Note(from, toFolder);
    }
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) return 0;
        if (int error = WriteAll(out, buffer.data(), static_cast<std::size_t>(n))) return error;
    }
}

// A new file in `folder` beside `name`, under a name of its own, for the
// copy to fill. The name is the same for every copy of `name`: one that a
// pulled stick or a power cut left behind, and could not be removed then,
// goes with the next copy.
int CreateBeside(int folder, const std::string& temporary) {
    // O_EXCL makes sure the file written is the one created here; a leftover
    // (a link too) refuses it, and unlink takes a link itself, never what it
    // points at.
    constexpr int kFlags = O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
    const int fd = ::openat(folder, temporary.c_str(), kFlags, 0600);
    if (fd >= 0 || errno != EEXIST) return fd;
    ::unlinkat(folder, temporary.c_str(), 0);
    return ::openat(folder, temporary.c_str(), kFlags, 0600);
}

// Copies one regular file over the entry `name` of the open folder `to`.
// The copy fills a file of its own beside it and takes `name` only when it
// is whole, so a copy that fails (a full stick, a read error, the power
// gone) leaves the file that was there as it was and never a cut-off image
// under the name the device looks for. A folder at `name` refuses the rename
// (EISDIR) and stays as it was.
int CopyFileReplacing(const fs::path& from, int to, const std::string& name) {
    // What was looked at as a file is read only if it still is one: a link or
    // a pipe put in its place meanwhile is neither followed nor waited on.
    Fd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (!in.ok()) return errno == ELOOP ? EACCES : errno;
    struct stat info {};
    if (::fstat(in.get(), &info) != 0) return errno;
    if (!S_ISREG(info.st_mode)) return EACCES;
    const std::string temporary = "." + name + ".part";
    Fd out(CreateBeside(to, temporary));
    if (!out.ok()) return errno;
    int error = CopyBytes(in.get(), out.get(), info.st_dev, to);
    if (error == 0 && ::fchmod(out.get(), info.st_mode & 07777) != 0) error = errno;
    if (::close(out.Release()) != 0 && error == 0) error = errno;
    // rename replaces a link at `name` itself, never what it points at.
    if (error == 0 && ::renameat(to, temporary.c_str(), to, name.c_str()) != 0) error = errno;
    if (error != 0) ::unlinkat(to, temporary.c_str(), 0);  // the file made above, never a folder
    return error;
}

void CopyTree(const fs::path& from, int to, const std::string& name, const fs::path& tree,
              Outcome& outcome);

// A link inside a tree stands for the file it names, if that file is there.
void CopyLink(const fs::path& link, int to, const std::string& name, const fs::path& tree,
              Outcome& outcome) {
    std::error_code ec;
    const fs::path target = fs::canonical(link, ec);
    if (ec || !platform::IsInside(target, tree) || !fs::is_regular_file(target, ec)) {
        outcome.Fail(EACCES);
        return;
    }
    outcome.Fail(CopyFileReplacing(target, to, name));
}

void CopyEntry(const fs::path& from, int to, const std::string& name, const fs::path& tree,
               Outcome& outcome) {
    std::error_code ec;
    const auto status = fs::symlink_status(from, ec);
    if (ec) {
        outcome.Fail(ec);
    } else if (fs::is_directory(status)) {
        CopyTree(from, to, name, tree, outcome);
    } else if (fs::is_regular_file(status)) {
        outcome.Fail(CopyFileReplacing(from, to, name));
    } else if (fs::is_symlink(status)) {
        CopyLink(from, to, name, tree, outcome);
    } else {
        outcome.Fail(EACCES);  // devices, pipes, sockets have no place on a stick
    }
}

// Makes `name` in the open folder `to` a real folder and opens it: a link in
// its place is replaced, a file is not.
int PrepareFolder(int to, const std::string& name, Outcome& outcome) {
    struct stat info {};
    const bool there = ::fstatat(to, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0;
    if (there && S_ISLNK(info.st_mode)) ::unlinkat(to, name.c_str(), 0);
    if (there && !S_ISDIR(info.st_mode) && !S_ISLNK(info.st_mode)) {
        outcome.Fail(EEXIST);
        return -1;
    }
    if ((!there || S_ISLNK(info.st_mode)) && ::mkdirat(to, name.c_str(), 0777) != 0) {
        outcome.Fail(errno);
        return -1;
    }
    // O_NOFOLLOW: a link put in its place meanwhile is refused, not entered.
    const int folder = ::openat(to, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folder < 0) outcome.Fail(errno);
    return folder;
}

void CopyTree(const fs::path& from, int to, const std::string& name, const fs::path& tree,
              Outcome& outcome) {
    const Fd folder(PrepareFolder(to, name, outcome));
    if (!folder.ok()) return;
    std::error_code ec;
    fs::directory_iterator it(from, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        CopyEntry(it->path(), folder.get(), it->path().filename().native(), tree, outcome);
    }
    if (ec) outcome.Fail(ec);
}

fs::path NameOf(const fs::path& path) {
    // A plain last name, nearly every call, stays the last name however the
    // rest of the path is normalised.
    fs::path name = path.filename();
    if (!name.empty() && name != "." && name != "..") return name;
    const auto normal = path.lexically_normal();
    return normal.has_filename() ? normal.filename() : normal.parent_path().filename();
}

// `to`: the open destination folder, found at `toPath` when it was opened.
void CopySource(const std::string& text, int to, const fs::path& toPath, Outcome& outcome) {
    const auto source = platform::ToNativePath(text);
    std::error_code ec;
    const auto status = source ? fs::symlink_status(*source, ec) : fs::file_status();
    if (!fs::exists(status)) {
        outcome.Fail(ENOENT);
        return;
    }
    const std::string name = NameOf(*source).native();
    // Only folders and links are checked against their tree: a plain file,
    // the common case, spares the walk up every folder of its path.
    if (fs::is_regular_file(status)) {
        outcome.Fail(CopyFileReplacing(*source, to, name));
        return;
    }
    const bool folder = fs::is_directory(status);
    const fs::path tree = fs::canonical(folder ? *source : source->parent_path(), ec);
    if (ec) {
        outcome.Fail(ec);
    } else if (folder && platform::IsInside(fs::weakly_canonical(toPath / name, ec), tree)) {
        outcome.Fail(EINVAL);  // a folder copied into itself would never end
    } else {
        CopyEntry(*source, to, name, tree, outcome);
    }
}

int OpenFolder(const fs::path& path) {
    return ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

// A destination that is not a folder fails the whole operation, as the
// shell's does, before anything is copied.
int Copy(const std::vector<std::string>& sources, const char* to) {
    const auto destination = platform::NativeArgument(to);
    if (!destination) {
        errno = ENODEV;
        return ERROR_PATH_NOT_FOUND;
    }
    const Fd folder(OpenFolder(*destination));
    if (!folder.ok()) return ERROR_PATH_NOT_FOUND;  // errno says why
    Outcome outcome;
    for (const auto& source : sources) CopySource(source, folder.get(), *destination, outcome);
    return outcome.Result();
}

// A drive root or / is never deleted whole.
bool IsDriveRoot(const fs::path& path) {
    std::error_code ec;
    const auto real = fs::weakly_canonical(path, ec);
    if (real == real.root_path()) return true;
    for (const auto& drive : platform::Drives()) {
        if (fs::equivalent(drive.root, path, ec)) return true;
    }
    return false;
}

void DeleteSource(const std::string& text, Outcome& outcome) {
    const auto source = platform::ToNativePath(text);
    std::error_code ec;
    if (!source || !fs::exists(fs::symlink_status(*source, ec))) {
        outcome.Fail(ENOENT);
    } else if (IsDriveRoot(*source)) {
        outcome.Fail(EACCES);
    } else if (fs::remove_all(*source, ec) == static_cast<std::uintmax_t>(-1) || ec) {
        outcome.Fail(ec);
    }
}

int Delete(const std::vector<std::string>& sources) {
    Outcome outcome;
    for (const auto& source : sources) DeleteSource(source, outcome);
    return outcome.Result();
}

}  // namespace

int SHFileOperationA(SHFILEOPSTRUCTA* lpFileOp) {
    if (lpFileOp == nullptr || lpFileOp->pFrom == nullptr) return kInvalidParameter;
    lpFileOp->fAnyOperationsAborted = FALSE;
    const auto sources = SplitList(lpFileOp->pFrom);
    if (sources.empty()) return kInvalidParameter;
    switch (lpFileOp->wFunc) {
        case FO_COPY:
            return lpFileOp->pTo ? Copy(sources, lpFileOp->pTo) : kInvalidParameter;
        case FO_DELETE:
            return Delete(sources);
        default:
            return kNotImplemented;
    }
}

namespace platform {

CopyDestination::CopyDestination(const std::string& folder) {
    const auto native = ToNativePath(folder);
    if (!native) {
        m_error = ENODEV;
        return;
    }
    m_path = *native;
    m_handle = OpenFolder(m_path);
    if (m_handle < 0) m_error = errno;
}

CopyDestination::~CopyDestination() {
    if (m_handle >= 0) ::close(m_handle);
}

int CopyIntoFolder(const std::string& source, const CopyDestination& folder) {
    if (folder.Error() != 0) return folder.Error();
    Outcome outcome;
    CopySource(source, folder.Handle(), folder.Path(), outcome);
    return outcome.Result() == 0 ? 0 : errno;
}

}  // namespace platform
