#include "framework/ModalWork.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <exception>
#include <system_error>
#include <thread>

namespace {

// Runs in progress; only the user-interface thread changes it.
int g_nRunning = 0;

bool IsUserInput(QEvent::Type type) {
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

}  // namespace

bool CModalWork::IsRunning() { return g_nRunning > 0; }

bool CModalWork::eventFilter(QObject* watched, QEvent* event) {
    if (IsUserInput(event->type())) return true;  // dropped: it would act on a window in the making
    return QObject::eventFilter(watched, event);
}

void CModalWork::Run(const std::function<void()>& work, const std::function<void()>& tick) {
    QCoreApplication* app = QCoreApplication::instance();
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    if (app == nullptr || dispatcher == nullptr || QThread::currentThread() != app->thread()) {
        work();
        return;
    }

    std::atomic<bool> bDone{false};
    std::exception_ptr failure;
    std::thread worker;
    try {
        worker = std::thread([&] {
            try {
                work();
            } catch (...) {
                failure = std::current_exception();
            }
            bDone.store(true, std::memory_order_release);
            dispatcher->wakeUp();  // the waiting thread need not sleep out its tick
        });
    } catch (const std::system_error&) {
        work();  // no thread to be had: the work runs here, as it always could
        return;
    }

    CModalWork filter;
    if (g_nRunning++ == 0) app->installEventFilter(&filter);
    QTimer timer;
    timer.setInterval(kTickMs);
    QObject::connect(&timer, &QTimer::timeout, tick);
    timer.start();
    // WaitForMoreEvents sleeps until an event, the tick or the worker's wake-up: no busy waiting.
    while (!bDone.load(std::memory_order_acquire))
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::WaitForMoreEvents);
    timer.stop();
    worker.join();
    if (--g_nRunning == 0) app->removeEventFilter(&filter);
    if (failure) std::rethrow_exception(failure);
}
