#pragma once
#include <QObject>
#include <functional>

// Long work of the user-interface thread (the walk of a drive) done on a worker thread while this
// thread keeps painting and answering the desktop, yet takes no user input, as under a modal dialog.
//
// While the work runs, this thread processes every event but the window system's user input, which
// stays queued and reaches the program once the work has ended, as it would had the thread been
// busy. What can still arrive, and why none of it touches the work's data or its caller:
// - paint, expose, resize, focus and activation events, timers: they read what is complete;
// - input sent or posted straight to an object (by another part of the program, a test or an
//   assistive technology) and a shortcut it would trigger: the filter below drops it;
// - a close of the main window or of a child window (the window manager's close button, a session
//   manager): the frames refuse it while IsRunning(), since the window that goes could be the one
//   being filled or the one whose handler opened it;
// - a command that reaches the main frame or a column click that reaches a table some other way:
//   both are refused while IsRunning(), so no second table opens and no sort starts.
class CModalWork : public QObject {
public:
    // Milliseconds between two calls of the tick: 20 frames a second keep a counter moving.
    static constexpr int kTickMs = 50;

    // Runs work on a new thread and returns once it has ended, rethrowing what it threw; calls tick
    // on this thread every kTickMs meanwhile. Without an application, or off its thread, the work
    // simply runs here. Nothing but the work may touch the work's data until Run returns.
    static void Run(const std::function<void()>& work, const std::function<void()>& tick);
    // True while a Run is in progress on the user-interface thread.
    static bool IsRunning();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
