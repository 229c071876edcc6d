#include "toolkit/UiThread.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QObject>
#include <QThread>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <utility>

#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#endif

namespace toolkit {
namespace {

// Qt's own queue and locks are invisible to ThreadSanitizer (Qt is not built
// with it), so the hand-over is made of our own parts: a request built whole
// on the asking thread and released before Qt carries it, and a condition
// variable on which a waiting worker sleeps.
void ReleaseToOtherThread([[maybe_unused]] void* object) {
#if defined(__SANITIZE_THREAD__)
    __tsan_release(object);
#endif
}

void AcquireFromOtherThread([[maybe_unused]] void* object) {
#if defined(__SANITIZE_THREAD__)
    __tsan_acquire(object);
#endif
}

// What a waiting worker and the user-interface thread share for one request.
struct Handover {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    std::exception_ptr error;

    void Finish(std::exception_ptr failure) {
        std::lock_guard lock(mutex);
        error = std::move(failure);
        done = true;
        finished.notify_one();
    }

    void Wait() {
        std::unique_lock lock(mutex);
        finished.wait(lock, [this] { return done; });
        if (error) std::rethrow_exception(error);
    }
};

const QEvent::Type kRequestEvent = static_cast<QEvent::Type>(QEvent::User + 0x4C8);

class RequestEvent : public QEvent {
public:
    RequestEvent(std::function<void()> fn, Handover* handover)
        : QEvent(kRequestEvent), m_fn(std::move(fn)), m_handover(handover) {}

    // Runs the request; a waiting worker learns of its end (and of an
    // exception it raised) and goes on.
    void Run() {
        if (m_handover == nullptr) {
            RunPosted();
            return;
        }
        std::exception_ptr failure;
        try {
            m_fn();
        } catch (...) {
            failure = std::current_exception();
        }
        m_handover->Finish(failure);
    }

private:
    void RunPosted() noexcept { m_fn(); }

    std::function<void()> m_fn;
    Handover* m_handover;  // the waiting worker; null for a posted request
};

// Receives one request on the user-interface thread, then goes.
class RequestReceiver : public QObject {
protected:
    bool event(QEvent* e) override {
        AcquireFromOtherThread(this);
        AcquireFromOtherThread(e);
        if (e->type() != kRequestEvent) return QObject::event(e);
        deleteLater();
        static_cast<RequestEvent*>(e)->Run();
        return true;
    }
};

void Deliver(std::function<void()> fn, Handover* handover) {
    auto* app = QCoreApplication::instance();
    auto* receiver = new RequestReceiver;
    receiver->moveToThread(app->thread());
    auto* request = new RequestEvent(std::move(fn), handover);
    ReleaseToOtherThread(receiver);
    ReleaseToOtherThread(request);
    QCoreApplication::postEvent(receiver, request);
}

}  // namespace

bool IsUiThread() {
    auto* app = QCoreApplication::instance();
    return app == nullptr || QThread::currentThread() == app->thread();
}

void RunOnUiThread(const std::function<void()>& fn) {
    if (IsUiThread()) {
        fn();
        return;
    }
    Handover handover;
    Deliver(fn, &handover);
    handover.Wait();
}

void PostToUiThread(std::function<void()> fn) {
    if (IsUiThread()) {
        fn();
        return;
    }
    Deliver(std::move(fn), nullptr);
}

void ServeUntil(const std::function<bool()>& ready) {
    while (!ready()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

}  // namespace toolkit
