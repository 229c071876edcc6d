// A small tmpfs mounted on a fresh folder, so that writes fail for want of
// room or on a read-only volume. Mounting needs root and a kernel that lets
// us; where it cannot, Mounted() is false and Error() says why, for
// GTEST_SKIP.
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
    const std::filesystem::path& path() const { return m_dir.path(); }
    std::filesystem::path operator/(std::string_view name) const { return m_dir / name; }

    // False (with Error() set) when the kernel refuses.
    bool RemountReadOnly();

private:
    TempDir m_dir;
    bool m_mounted = false;
    std::string m_error;
};

}  // namespace testsupport
