#include <gtest/gtest.h>

#include <cerrno>
#include <optional>

#include "platform/FolderLock.h"
#include "support/TempDir.h"

namespace {

TEST(FolderLockTest, OneHolderAtATimeAndReleasedWithTheObject) {
    testsupport::TempDir dir;
    std::optional<platform::FolderLock> first = platform::FolderLock::TryLock(dir.path());
    ASSERT_TRUE(first);
    errno = 0;
    EXPECT_FALSE(platform::FolderLock::TryLock(dir.path() / "."));
    EXPECT_EQ(errno, EWOULDBLOCK);
    EXPECT_TRUE(platform::FolderLock::TryLock(dir / "missing") == std::nullopt);
    first.reset();
    EXPECT_TRUE(platform::FolderLock::TryLock(dir.path()));
}

}  // namespace
