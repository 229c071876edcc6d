// Where an installed program keeps its scratch data: the user's cache folder,
// found from environment values that may be anything.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "EnvGuard.h"
#include "platform/Path.h"
#include "platform/ScratchHome.h"
#include "support/TempDir.h"
#include "support/TmpfsMount.h"

namespace {

namespace fs = std::filesystem;
using platform::UserCacheFolder;
using testsupport::TempDir;

mode_t ModeOf(const fs::path& path) {
    struct stat info {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

TEST(UserCacheFolder, TakesOnlyAbsoluteSettingsAndMakesAPrivateFolder) {
    EnvGuard drives("OSTREL_DRIVES", "");
    TempDir dir;
    const std::string home = (dir / "home").string();
    const std::string xdg = (dir / "xdg").string();

    const auto chosen = UserCacheFolder(xdg.c_str(), home.c_str());
    EXPECT_EQ(chosen.error, 0);
    EXPECT_EQ(chosen.folder, platform::ToDrivePath(dir.path() / "xdg" / "ostrel"));
    EXPECT_EQ(ModeOf(dir / "xdg" / "ostrel"), 0700u);

    for (const char* passedOver : {static_cast<const char*>(nullptr), "", "relative/cache"}) {
        const auto fallback = UserCacheFolder(passedOver, home.c_str());
        EXPECT_EQ(fallback.error, 0) << (passedOver ? passedOver : "unset");
        EXPECT_EQ(fallback.folder,
                  platform::ToDrivePath(dir.path() / "home" / ".cache" / "ostrel"));
    }
    EXPECT_FALSE(fs::exists("relative"));

    for (const char* badHome : {static_cast<const char*>(nullptr), "", "home"}) {
        EXPECT_EQ(UserCacheFolder("", badHome).error, ENOENT) << (badHome ? badHome : "unset");
    }
}

// A cache folder reached through a link is used by its real name, so the
// job's containment checks compare real paths.
TEST(UserCacheFolder, ResolvesLinksOnTheWay) {
    EnvGuard drives("OSTREL_DRIVES", "");
    TempDir dir;
    fs::create_directories(dir / "disk" / "cache");
    fs::create_directory_symlink(dir / "disk" / "cache", dir / "cache");
    const auto chosen = UserCacheFolder((dir / "cache").c_str(), nullptr);
    EXPECT_EQ(chosen.error, 0);
    EXPECT_EQ(chosen.folder, platform::ToDrivePath(dir.path() / "disk" / "cache" / "ostrel"));
}

// Each of these would let someone else point the job's purge and writes at a
// folder of their choosing; nothing of theirs is touched.
TEST(UserCacheFolder, RefusesAFolderSomeoneElseCanRedirect) {
    TempDir dir;
    fs::create_directories(dir / "victim");
    fs::create_directories(dir / "linked");
    fs::create_directory_symlink(dir / "victim", dir / "linked" / "ostrel");
    EXPECT_EQ(UserCacheFolder((dir / "linked").c_str(), nullptr).error, ELOOP);

    fs::create_directories(dir / "file");
    testsupport::WriteFile(dir / "file" / "ostrel", "x");
    EXPECT_EQ(UserCacheFolder((dir / "file").c_str(), nullptr).error, ENOTDIR);

    fs::create_directories(dir / "shared");
    ASSERT_EQ(::chmod((dir / "shared").c_str(), 0777), 0);
    EXPECT_EQ(UserCacheFolder((dir / "shared").c_str(), nullptr).error, EPERM);
    EXPECT_FALSE(fs::exists(dir / "shared" / "ostrel"));
    ASSERT_EQ(::chmod((dir / "shared").c_str(), 01777), 0);  // as /tmp: others cannot rename ours
    EXPECT_EQ(UserCacheFolder((dir / "shared").c_str(), nullptr).error, 0);

    fs::create_directories(dir / "theirs" / "ostrel");
    ASSERT_EQ(::chown((dir / "theirs" / "ostrel").c_str(), geteuid() + 1, getegid()), 0);
    EXPECT_EQ(UserCacheFolder((dir / "theirs").c_str(), nullptr).error, EPERM);
    ASSERT_EQ(::chown((dir / "theirs" / "ostrel").c_str(), geteuid(), getegid()), 0);
    ASSERT_EQ(::chmod((dir / "theirs" / "ostrel").c_str(), 0770), 0);
    EXPECT_EQ(UserCacheFolder((dir / "theirs").c_str(), nullptr).error, EPERM);

    EXPECT_TRUE(fs::is_empty(dir / "victim"));
}

TEST(KeepsScratchBeside, OnlyAWritableFolderOfItsOwn) {
    TempDir dir;
    EXPECT_TRUE(platform::KeepsScratchBeside(dir.path()));
    fs::create_directories(dir / "usr" / "libexec" / "ostrel");
    EXPECT_FALSE(platform::KeepsScratchBeside(dir / "usr" / "libexec" / "ostrel"));
    EXPECT_TRUE(platform::KeepsScratchBeside(dir / "usr" / "libexec"));

    testsupport::TmpfsMount readOnly(1 << 16);
    if (!readOnly.Mounted()) GTEST_SKIP() << readOnly.Error();
    ASSERT_TRUE(readOnly.RemountReadOnly()) << readOnly.Error();
    EXPECT_FALSE(platform::KeepsScratchBeside(readOnly.path()));
}

}  // namespace
