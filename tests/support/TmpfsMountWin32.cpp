#include "support/TmpfsMount.h"

namespace testsupport {

namespace {
constexpr const char* kNoTmpfs =
    "Windows has no tmpfs: a full or read-only volume is tested on Linux";
}

TmpfsMount::TmpfsMount(std::size_t /*bytes*/) : m_error(kNoTmpfs) {}

TmpfsMount::~TmpfsMount() = default;

bool TmpfsMount::RemountReadOnly() { return false; }

}  // namespace testsupport
