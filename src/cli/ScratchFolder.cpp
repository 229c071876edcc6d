#include "cli/ScratchFolder.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>

namespace cli {

ScratchFolder::ScratchFolder() {
    std::error_code ec;
    const auto base = std::filesystem::temp_directory_path(ec);
    if (ec) {
        m_error = ec.message();
        return;
    }
    std::string pattern = (base / "ostrel-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        m_error = pattern + ": " + std::strerror(errno);
        return;
    }
    m_path = pattern;
}

ScratchFolder::~ScratchFolder() {
    if (m_path.empty()) return;
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

}  // namespace cli
