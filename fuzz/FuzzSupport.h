// Helpers shared by the fuzz targets: findings, scratch folders, files.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>

namespace fuzzsupport {

// Stops the run with a finding that libFuzzer reports and keeps.
inline void Check(bool condition) {
    if (!condition) std::abort();
}

class ScratchDir {
public:
    ScratchDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "ostrel-fuzz-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        m_path = pattern;
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::filesystem::path& path() const { return m_path; }
    std::string operator/(const char* name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

inline void WriteBytes(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    Check(static_cast<bool>(out));
}

inline std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    Check(static_cast<bool>(in));
    std::string bytes(static_cast<std::size_t>(in.tellg()), '\0');
    in.seekg(0);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    Check(static_cast<bool>(in));
    return bytes;
}

// Everything below `root`, links not followed: relative path to lstat.
inline std::map<std::string, struct stat> Tree(const std::filesystem::path& root) {
    std::map<std::string, struct stat> tree;
    std::error_code ec;
    for (std::filesystem::recursive_directory_iterator it(root, ec), end; !ec && it != end;
         it.increment(ec)) {
        struct stat info {};
        if (::lstat(it->path().c_str(), &info) == 0) {
            tree[it->path().lexically_relative(root).generic_string()] = info;
        }
    }
    Check(!ec);
    return tree;
}

}  // namespace fuzzsupport
