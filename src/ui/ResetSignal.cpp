#include "ui/ResetSignal.h"

#include <sys/signalfd.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QtGlobal>
#include <csignal>
#include <cstring>

namespace {

sigset_t ResetSignalSet() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGUSR1);
    return set;
}

}  // namespace

void ResetSignal::BlockSignal() {
    const sigset_t set = ResetSignalSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

ResetSignal::ResetSignal(CWnd& target, UINT message) : m_target(target), m_message(message) {
    BlockSignal();
    const sigset_t set = ResetSignalSet();
    m_fd = ::signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
    if (m_fd < 0) {
        qWarning("SIGUSR1 cannot be watched: %s", std::strerror(errno));
        return;
    }
    // A signal sent before the window existed had no window to reach.
    Drain();
    m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(),
                     [this] { OnReadable(); });
}

ResetSignal::~ResetSignal() {
    m_notifier.reset();
    if (m_fd >= 0) ::close(m_fd);
}

bool ResetSignal::Drain() const {
    bool any = false;
    signalfd_siginfo info;
    while (::read(m_fd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) any = true;
    return any;
}

// The handler shows a modal box; signals that arrive meanwhile wait in the
// signalfd and are handled once it has been dismissed, one box at a time.
void ResetSignal::OnReadable() {
    if (!Drain()) return;
    m_notifier->setEnabled(false);
    m_target.SendMessage(m_message);
    m_notifier->setEnabled(true);
}
