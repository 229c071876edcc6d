// A small tmpfs mounted on a fresh folder, so that writes fail for want of
// room or on a read-only volume. Mounting needs root and a kernel that lets
// us; where it cannot, Mounted() is false and Error() says why, for
// GTEST_SKIP. On Windows it is a folder on the small stick F: that
// scripts/test-windows gives wine, with only `bytes` left free on it; that
// cannot be made read-only.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

#include "support/TempDir.h"

namespace testsupport {

class TmpfsMount {
public:
    explicit TmpfsMount(std::size_t bytes);
    ~TmpfsMount();
    TmpfsMount(const TmpfsMount&) = delete;
    TmpfsMount& operator=(const TmpfsMount&) = delete;

    bool Mounted() const { return m_mounted; }
    const std::string& Error() const { return m_error; }
    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(std::string_view name) const { return m_path / name; }

    // False (with Error() set) when the kernel refuses.
    bool RemountReadOnly();
    // False where no mount can be made read-only (Windows), with the reason.
    static bool CanRemountReadOnly(std::string& why);

private:
    TempDir m_dir;
    std::filesystem::path m_path = m_dir.path();
    bool m_mounted = false;
    std::string m_error;
};

}  // namespace testsupport
