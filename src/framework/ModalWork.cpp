#include "framework/ModalWork.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <exception>
#include <system_error>
#include <thread>
#include <utility>

namespace {

// Runs in progress; only the user-interface thread changes it.
int g_nRunning = 0;
// What Escape does during the innermost run that takes it; null: Escape is dropped too.
const std::function<void()>* g_pOnEscape = nullptr;

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
    case QEvent::Drop: return true;
    default: return false;
    }
}

}  // namespace

bool CModalWork::IsRunning() { return g_nRunning > 0; }

bool CModalWork::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && g_pOnEscape != nullptr &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        (*g_pOnEscape)();
        return true;
    }
    if (IsUserInput(event->type())) return true;  // dropped: it would act on a window in the making
    // A close request of the window system (the window manager's close button) is input too.
    if (event->type() == QEvent::Close && event->spontaneous()) {
        event->ignore();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

namespace {

bool OnInterfaceThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    return app != nullptr && QAbstractEventDispatcher::instance() != nullptr &&
           QThread::currentThread() == app->thread();
}

// The filter of the outermost CNoInput, installed while one lives; it goes with the last one.
CModalWork* g_pFilter = nullptr;

}  // namespace

CModalWork::CNoInput::CNoInput() : m_bOn(OnInterfaceThread()) {
    if (m_bOn && g_nRunning++ == 0) {
        g_pFilter = new CModalWork;
        QCoreApplication::instance()->installEventFilter(g_pFilter);
    }
}

CModalWork::CNoInput::~CNoInput() {
    if (!m_bOn) return;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (--g_nRunning == 0) {
        QCoreApplication::instance()->removeEventFilter(g_pFilter);
        delete g_pFilter;
        g_pFilter = nullptr;
    }
}

void CModalWork::Run(const std::function<void()>& work, const std::function<void()>& tick,
                     const std::function<void()>& onEscape) {
    const std::function<void()>* outer = std::exchange(g_pOnEscape, &onEscape);
    try {
        Run(work, tick);
    } catch (...) {
        g_pOnEscape = outer;
        throw;
    }
    g_pOnEscape = outer;
}

void CModalWork::Run(const std::function<void()>& work, const std::function<void()>& tick) {
    if (!OnInterfaceThread()) {
        work();
        return;
    }
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    const CNoInput dropping;
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

    QTimer timer;
    timer.setInterval(kTickMs);
    QObject::connect(&timer, &QTimer::timeout, tick);
    timer.start();
    // WaitForMoreEvents sleeps until an event, the tick or the worker's wake-up: no busy waiting.
    // User input is taken too, to be dropped by the filter: left queued, it would act afterwards.
    while (!bDone.load(std::memory_order_acquire))
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    timer.stop();
    worker.join();
    if (failure) std::rethrow_exception(failure);
}
