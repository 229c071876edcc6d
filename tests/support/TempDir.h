// A fresh folder under the system's temporary directory, removed with
// everything in it when the object goes.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(std::string_view name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

// Writes bytes to a file, creating its folders; reads a whole file back.
void WriteFile(const std::filesystem::path& path, std::string_view bytes);
std::string ReadFile(const std::filesystem::path& path);

// Makes a symbolic link; false where the system cannot (wine makes none),
// with the reason in `why`, for GTEST_SKIP.
bool MakeSymlink(const std::filesystem::path& target, const std::filesystem::path& link,
                 std::string& why);

// Removes everything in a folder. A drive root that holds nothing is empty:
// Windows finds nothing there, not even "." and "..", and the library's
// iterators take that for a missing folder.
void Empty(const std::filesystem::path& folder);

// The shared fixture folder of real archives, or empty when it is absent.
std::filesystem::path FixturesDir();

}  // namespace testsupport
