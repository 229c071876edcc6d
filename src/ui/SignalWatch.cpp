#include "ui/SignalWatch.h"

#include <sys/signalfd.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QtGlobal>
#include <cerrno>
#include <csignal>
#include <cstring>

namespace {

sigset_t SetOf(std::initializer_list<int> numbers) {
    sigset_t set;
    sigemptyset(&set);
    for (int signal : numbers) sigaddset(&set, signal);
    return set;
}

}  // namespace

void SignalWatch::Block(std::initializer_list<int> numbers) {
    const sigset_t set = SetOf(numbers);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

void SignalWatch::Unblock(std::initializer_list<int> numbers) {
    const sigset_t set = SetOf(numbers);
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

SignalWatch::SignalWatch(std::initializer_list<int> numbers, Handler handler)
    : m_handler(std::move(handler)) {
    Block(numbers);
    const sigset_t set = SetOf(numbers);
    m_fd = ::signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
    if (m_fd < 0) {
        qWarning("signals from outside cannot be watched: %s", std::strerror(errno));
        return;
    }
    m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(),
                     [this] { OnReadable(); });
}

SignalWatch::~SignalWatch() {
    m_notifier.reset();
    if (m_fd >= 0) ::close(m_fd);
}

void SignalWatch::Discard() const {
    if (m_fd >= 0) (void)Drain();
}

int SignalWatch::Drain() const {
    int first = 0;
    signalfd_siginfo info;
    while (::read(m_fd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
        if (first == 0) first = static_cast<int>(info.ssi_signo);
    }
    return first;
}

// A handler may show a modal box: the notifier rests meanwhile, so that one
// batch is handled at a time.
void SignalWatch::OnReadable() {
    const int signal = Drain();
    if (signal == 0) return;
    m_notifier->setEnabled(false);
    m_handler(signal);
    m_notifier->setEnabled(true);
}
