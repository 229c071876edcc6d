// The shell's own copy writes over a file in place and keeps no error number
// for the caller: the copy to the drive is ours. Each file is written to a
// new file beside its target, written back, and only then moved over it.
#include <array>
#include <cerrno>
#include <string>
#include <system_error>

#include "platform/ErrnoWin32.h"
#include "platform/Path.h"
#include "platform/ShellCopy.h"
#include "platform/Win32.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

int LastError(const fs::path& path) { return RefinedPathError(path, ErrnoFromLastError()); }

class Handle {
public:
    explicit Handle(HANDLE handle) : m_handle(handle) {}
    ~Handle() { Close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool ok() const { return m_handle != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return m_handle; }
    bool Close() {
        const bool closed = !ok() || CloseHandle(m_handle);
        m_handle = INVALID_HANDLE_VALUE;
        return closed;
    }

private:
    HANDLE m_handle;
};

// The file the copy fills, beside `to` under a fixed name: the next copy of
// the same file takes over what an interrupted one (a pulled stick) left,
// removing it first, so the name never leads through a link.
HANDLE CreateBeside(const fs::path& to, fs::path& temporary) {
    temporary = to.parent_path() / (L"." + to.filename().wstring() + L".part");
    const auto create = [&] {
        return CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    HANDLE file = create();
    if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return file;
    return DeleteFileW(temporary.c_str()) ? create() : INVALID_HANDLE_VALUE;
}

int CopyBytes(HANDLE in, HANDLE out, const fs::path& from, const fs::path& to) {
    static constexpr DWORD kChunk = 1 << 20;
    std::string buffer(kChunk, '\0');
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(in, buffer.data(), kChunk, &got, nullptr)) return LastError(from);
        if (got == 0) return 0;
        DWORD put = 0;
        if (!WriteFile(out, buffer.data(), got, &put, nullptr)) return LastError(to);
        if (put != got) return ENOSPC;
    }
}

int CopyFileReplacing(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    if (fs::is_directory(fs::symlink_status(to, ec))) return EISDIR;
    Handle in(CreateFileW(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!in.ok()) return LastError(from);
    fs::path temporary;
    Handle out(CreateBeside(to, temporary));
    if (!out.ok()) return LastError(to);
    int error = CopyBytes(in.get(), out.get(), from, to);
    if (error == 0 && !FlushFileBuffers(out.get())) error = LastError(to);
    if (!out.Close() && error == 0) error = LastError(to);
    // MoveFileExW replaces a link at `to` itself, never what it points at.
    if (error == 0 && !MoveFileExW(temporary.c_str(), to.c_str(),
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = LastError(to);
    }
    if (error != 0) fs::remove(temporary, ec);
    return error;
}

// The first failure is the one reported; the copy goes on after it.
void Keep(int& first, int error) {
    if (first == 0) first = error;
}

void CopyEntry(const fs::path& from, const fs::path& to, int& first);

// Makes `to` a real folder: a file in its place is not replaced.
bool PrepareFolder(const fs::path& to, int& first) {
    std::error_code ec;
    const auto status = fs::symlink_status(to, ec);
    if (fs::is_directory(status) && !fs::is_symlink(status)) return true;
    if (fs::exists(status)) {
        Keep(first, EEXIST);
        return false;
    }
    if (!fs::create_directory(to, ec)) {
        Keep(first, ec ? ec.value() : EEXIST);
        return false;
    }
    return true;
}

void CopyTree(const fs::path& from, const fs::path& to, int& first) {
    if (!PrepareFolder(to, first)) return;
    std::error_code ec;
    fs::directory_iterator it(from, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        CopyEntry(it->path(), to / it->path().filename(), first);
    }
    if (ec) Keep(first, ec.value());
}

// Links are left out (and fail the copy): a package's links were made files
// in staging already, so a link here leads where the copy must not go.
void CopyEntry(const fs::path& from, const fs::path& to, int& first) {
    std::error_code ec;
    const auto status = fs::symlink_status(from, ec);
    if (ec) {
        Keep(first, ec.value());
    } else if (fs::is_symlink(status)) {
        Keep(first, EACCES);
    } else if (fs::is_directory(status)) {
        CopyTree(from, to, first);
    } else if (fs::is_regular_file(status)) {
        Keep(first, CopyFileReplacing(from, to));
    } else {
        Keep(first, EACCES);
    }
}

fs::path NameOf(const fs::path& path) {
    const auto normal = path.lexically_normal();
    return normal.has_filename() ? normal.filename() : normal.parent_path().filename();
}

}  // namespace

// A drive letter never falls through to another disk: the folder is held
// by its name.
CopyDestination::CopyDestination(const std::string& folder) {
    const auto native = ToNativePath(folder);
    if (!native) {
        m_error = ENODEV;
        return;
    }
    m_path = *native;
    std::error_code ec;
    if (!fs::is_directory(m_path, ec)) m_error = ec ? ec.value() : ENOTDIR;
}

CopyDestination::~CopyDestination() = default;

int CopyIntoFolder(const std::string& source, const CopyDestination& folder) {
    if (folder.Error() != 0) return folder.Error();
    const fs::path& destination = folder.Path();
    std::error_code ec;
    if (!fs::is_directory(destination, ec)) return ec ? ec.value() : ENOTDIR;
    const auto from = ToNativePath(source);
    if (!from || !fs::exists(fs::symlink_status(*from, ec))) return ENOENT;
    const fs::path target = destination / NameOf(*from);
    // A folder copied into itself would never end.
    if (fs::is_directory(*from, ec) &&
        IsInside(fs::weakly_canonical(target, ec), fs::canonical(*from, ec))) {
        return EINVAL;
    }
    int first = 0;
    CopyEntry(*from, target, first);
    return first;
}

}  // namespace platform
