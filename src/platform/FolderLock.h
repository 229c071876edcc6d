// An exclusive claim on a folder, held for the life of the object, so that two
// jobs never share one scratch folder or write one drive at the same time.
// Advisory: it binds every Ostrel process (and every job within one), nothing
// else. The system drops it when the holder ends, however it ends.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>

namespace platform {

class FolderLock {
public:
    // The claim, or empty when another holder has it or the folder cannot be
    // opened (errno says which: EWOULDBLOCK for a claim already held).
    static std::optional<FolderLock> TryLock(const std::filesystem::path& folder);

    FolderLock(FolderLock&& other) noexcept;
    FolderLock& operator=(FolderLock&& other) noexcept;
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    ~FolderLock();

private:
    // A descriptor, or on Windows a HANDLE; -1 for none.
    using Handle = std::intptr_t;
    explicit FolderLock(Handle handle) : m_handle(handle) {}
    Handle m_handle = -1;
};

}  // namespace platform
