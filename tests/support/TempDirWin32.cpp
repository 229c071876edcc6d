#include <random>
#include <stdexcept>
#include <string>
#include <system_error>

#include "support/TempDir.h"

namespace testsupport {

// No mkdtemp on Windows: a random name that create_directory makes anew.
TempDir::TempDir() {
    std::random_device random;
    const auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto candidate = base / ("ostrel-test-" + std::to_string(random()));
        std::error_code ec;
        if (std::filesystem::create_directory(candidate, ec)) {
            m_path = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot make a temporary folder");
}

}  // namespace testsupport
