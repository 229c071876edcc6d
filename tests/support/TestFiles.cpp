#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

#include "support/TempDir.h"

namespace testsupport {

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

void WriteFile(const std::filesystem::path& path, std::string_view bytes) {
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool MakeSymlink(const std::filesystem::path& target, const std::filesystem::path& link,
                 std::string& why) {
    std::error_code ec;
    if (std::filesystem::is_directory(target, ec)) {
        std::filesystem::create_directory_symlink(target, link, ec);
    } else {
        std::filesystem::create_symlink(target, link, ec);
    }
    if (ec) why = "no symbolic links here: " + ec.message();
    return !ec;
}

void Empty(const std::filesystem::path& folder) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        std::filesystem::remove_all(entry.path());
    }
}

std::filesystem::path FixturesDir() {
    std::filesystem::path dir = OSTREL_FIXTURES_DIR;
    std::error_code ec;
    return std::filesystem::is_directory(dir / "rar", ec) ? dir : std::filesystem::path();
}

}  // namespace testsupport
