// SHFileOperationA: copy and delete, silently, replacing without asking.
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

// Where the kernel refused to copy: a source file system and a target
// folder. A job copies thousands of files between the same two and asks
// once; the plain loop is right everywhere, so a stale answer costs speed only.
class KernelCopyRefusals {
public:
    // `to`: the file being copied; its folder is looked up only once there
    // is a refusal to compare it with.
    bool Refused(dev_t from, const fs::path& to) {
        const std::lock_guard lock(m_mutex);
        return !m_refused.empty() && m_refused.contains({from, to.parent_path()});
    }
    void Note(dev_t from, const fs::path& to) {
        const std::lock_guard lock(m_mutex);
        m_refused.insert({from, to.parent_path()});
    }

private:
    std::mutex m_mutex;
    std::set<std::pair<dev_t, fs::path>> m_refused;
};

KernelCopyRefusals& Refusals() {
    static KernelCopyRefusals refusals;
    return refusals;
}

int CopyBytes(int in, int out, dev_t from, const fs::path& to) {
    if (!Refusals().Refused(from, to)) {
        if (auto result = CopyInKernel(in, out)) return *result;
        Refusals().Note(from, to);
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

// A new file beside `to`, under a name of its own, for the copy to fill. The
// name is the same for every copy of `to`: one that a pulled stick or a power
// cut left behind, and could not be removed then, goes with the next copy.
int CreateBeside(const fs::path& to, std::string& temporary) {
    // Spelt out by hand: path operations split the whole path each time.
    const std::string& whole = to.native();
    const std::size_t cut = whole.rfind('/') + 1;  // 0 for a bare name
    temporary = whole.substr(0, cut) + "." + whole.substr(cut) + ".part";
    // O_EXCL makes sure the file written is the one created here; a leftover
    // (a link too) refuses it, and unlink takes a link itself, never what it
    // points at.
    constexpr int kFlags = O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
    const int fd = ::open(temporary.c_str(), kFlags, 0600);
    if (fd >= 0 || errno != EEXIST) return fd;
    ::unlink(temporary.c_str());
    return ::open(temporary.c_str(), kFlags, 0600);
}

// Copies one regular file over `to`. The copy fills a file of its own beside
// `to` and takes `to`'s name only when it is whole, so a copy that fails (a
// full stick, a read error, the power gone) leaves the file that was there as
// it was and never a cut-off image under the name the device looks for.
// A folder at `to` refuses the rename (EISDIR) and stays as it was.
int CopyFileReplacing(const fs::path& from, const fs::path& to) {
    Fd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    if (!in.ok()) return errno;
    struct stat info {};
    if (::fstat(in.get(), &info) != 0) return errno;
    std::string temporary;
    Fd out(CreateBeside(to, temporary));
    if (!out.ok()) return errno;
    int error = CopyBytes(in.get(), out.get(), info.st_dev, to);
    if (error == 0 && ::fchmod(out.get(), info.st_mode & 07777) != 0) error = errno;
    if (::close(out.Release()) != 0 && error == 0) error = errno;
    // rename replaces a link at `to` itself, never what it points at.
    if (error == 0 && ::rename(temporary.c_str(), to.c_str()) != 0) error = errno;
    if (error != 0) ::unlink(temporary.c_str());  // the file made above, never a folder
    return error;
}

void CopyTree(const fs::path& from, const fs::path& to, const fs::path& tree, Outcome& outcome);

// A link inside a tree stands for the file it names, if that file is there.
void CopyLink(const fs::path& link, const fs::path& to, const fs::path& tree, Outcome& outcome) {
    std::error_code ec;
    const fs::path target = fs::canonical(link, ec);
    if (ec || !platform::IsInside(target, tree) || !fs::is_regular_file(target, ec)) {
        outcome.Fail(EACCES);
        return;
    }
    outcome.Fail(CopyFileReplacing(target, to));
}

void CopyEntry(const fs::path& from, const fs::path& to, const fs::path& tree, Outcome& outcome) {
    std::error_code ec;
    const auto status = fs::symlink_status(from, ec);
    if (ec) {
        outcome.Fail(ec);
    } else if (fs::is_directory(status)) {
        CopyTree(from, to, tree, outcome);
    } else if (fs::is_regular_file(status)) {
        outcome.Fail(CopyFileReplacing(from, to));
    } else if (fs::is_symlink(status)) {
        CopyLink(from, to, tree, outcome);
    } else {
        outcome.Fail(EACCES);  // devices, pipes, sockets have no place on a stick
    }
}

// Makes `to` a real folder: a link in its place is replaced, a file is not.
bool PrepareFolder(const fs::path& to, Outcome& outcome) {
    std::error_code ec;
    const auto status = fs::symlink_status(to, ec);
    if (fs::is_symlink(status)) fs::remove(to, ec);
    if (fs::is_directory(status)) return true;
    if (fs::exists(status) && !fs::is_symlink(status)) {
        outcome.Fail(EEXIST);
        return false;
    }
    if (!fs::create_directory(to, ec)) {
        outcome.Fail(ec);
        return false;
    }
    return true;
}

void CopyTree(const fs::path& from, const fs::path& to, const fs::path& tree, Outcome& outcome) {
    if (!PrepareFolder(to, outcome)) return;
    std::error_code ec;
    fs::directory_iterator it(from, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        CopyEntry(it->path(), to / it->path().filename(), tree, outcome);
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

void CopySource(const std::string& text, const fs::path& destination, Outcome& outcome) {
    const auto source = platform::ToNativePath(text);
    std::error_code ec;
    const auto status = source ? fs::symlink_status(*source, ec) : fs::file_status();
    if (!fs::exists(status)) {
        outcome.Fail(ENOENT);
        return;
    }
    const fs::path target = destination / NameOf(*source);
    // Only folders and links are checked against their tree: a plain file,
    // the common case, spares the walk up every folder of its path.
    if (fs::is_regular_file(status)) {
        outcome.Fail(CopyFileReplacing(*source, target));
        return;
    }
    const bool folder = fs::is_directory(status);
    const fs::path tree = fs::canonical(folder ? *source : source->parent_path(), ec);
    if (ec) {
        outcome.Fail(ec);
    } else if (folder && platform::IsInside(fs::weakly_canonical(target, ec), tree)) {
        outcome.Fail(EINVAL);  // a folder copied into itself would never end
    } else {
        CopyEntry(*source, target, tree, outcome);
    }
}

// A missing destination is told apart only once a copy has failed: every
// copy into it fails without making anything, and a job's walk copies
// thousands of files one call each into a folder that is there.
int Copy(const std::vector<std::string>& sources, const char* to) {
    const auto destination = platform::NativeArgument(to);
    if (!destination) {
        errno = ENODEV;
        return ERROR_PATH_NOT_FOUND;
    }
    Outcome outcome;
    for (const auto& source : sources) CopySource(source, *destination, outcome);
    const int result = outcome.Result();
    if (result == 0) return 0;
    const int cause = errno;
    std::error_code ec;
    if (!fs::is_directory(*destination, ec)) {
        errno = ec ? ec.value() : ENOTDIR;
        return ERROR_PATH_NOT_FOUND;
    }
    errno = cause;
    return result;
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
