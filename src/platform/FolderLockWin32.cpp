// The folder claim on Windows: a named mutex per folder. Its name exists as
// long as one handle to it is open, so whoever creates it first holds the
// claim, in this process or another; the system closes the handle when the
// holder ends.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <string>
#include <system_error>
#include <utility>

#include "platform/ErrnoWin32.h"
#include "platform/FolderLock.h"
#include "platform/Win32.h"

namespace platform {
namespace {

// One name per folder, however it is spelt: the canonical path, upper case
// (the file system ignores case), hashed since a mutex name holds no '\'
// and is limited in length.
std::wstring MutexName(const std::filesystem::path& folder) {
    std::wstring text = folder.wstring();
    CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
    std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (wchar_t c : text) {
        hash = (hash ^ static_cast<std::uint16_t>(c)) * 1099511628211ull;
    }
    wchar_t name[64];
    std::swprintf(name, 64, L"Local\\Ostrel.FolderLock.%016llx",
                  static_cast<unsigned long long>(hash));
    return name;
}

}  // namespace

std::optional<FolderLock> FolderLock::TryLock(const std::filesystem::path& folder) {
    std::error_code ec;
    const auto canonical = std::filesystem::canonical(folder, ec);
    if (ec) {
        errno = ec.value();
        return std::nullopt;
    }
    if (!std::filesystem::is_directory(canonical, ec)) {
        errno = ENOTDIR;
        return std::nullopt;
    }
    HANDLE mutex = CreateMutexW(nullptr, FALSE, MutexName(canonical).c_str());
    if (mutex == nullptr) {
        ErrnoFromLastError();
        return std::nullopt;
    }
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        errno = EWOULDBLOCK;
        return std::nullopt;
    }
    return FolderLock(reinterpret_cast<Handle>(mutex));
}

FolderLock::FolderLock(FolderLock&& other) noexcept : m_handle(std::exchange(other.m_handle, -1)) {}

FolderLock& FolderLock::operator=(FolderLock&& other) noexcept {
    if (this != &other) {
        if (m_handle != -1) CloseHandle(reinterpret_cast<HANDLE>(m_handle));
        m_handle = std::exchange(other.m_handle, -1);
    }
    return *this;
}

FolderLock::~FolderLock() {
    if (m_handle != -1) CloseHandle(reinterpret_cast<HANDLE>(m_handle));
}

}  // namespace platform
