#include "support/TmpfsMount.h"

#include <sys/mount.h>

#include <cerrno>
#include <cstring>

namespace testsupport {

TmpfsMount::TmpfsMount(std::size_t bytes) {
    const std::string options = "size=" + std::to_string(bytes);
    if (::mount("tmpfs", m_dir.path().c_str(), "tmpfs", 0, options.c_str()) == 0) {
        m_mounted = true;
    } else {
        m_error = std::string("cannot mount a tmpfs here: ") + std::strerror(errno);
    }
}

TmpfsMount::~TmpfsMount() {
    if (m_mounted) ::umount2(m_dir.path().c_str(), MNT_DETACH);
}

bool TmpfsMount::CanRemountReadOnly(std::string& /*why*/) { return true; }

bool TmpfsMount::RemountReadOnly() {
    if (::mount("tmpfs", m_dir.path().c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0) {
        return true;
    }
    m_error = std::string("cannot remount the tmpfs read-only: ") + std::strerror(errno);
    return false;
}

}  // namespace testsupport
