#pragma once
#include <QObject>
#include <functional>

// Long work of the user-interface thread (the walk of a drive) done on a worker thread while this
// thread keeps painting and answering the desktop, yet takes no user input, as under a modal dialog.
//
// While the work runs, this thread processes every event, and the filter below drops all user
// input, from the window system or sent straight to an object, with any shortcut it would trigger:
// a key typed during a fill was aimed at a table that did not exist yet, and kept for afterwards it
// would act on the complete table (Ctrl+A, Delete, then Return trashed the whole drive). Input that
// arrived by the end of the work is dropped before Run returns. What else can arrive, and why none
// of it touches the work's data or its caller:
// - paint, expose, resize, focus and activation events, timers: they read what is complete;
// - a close of the main window or of a child window: the filter drops the window system's request
//   (the window manager's close button), and the frames refuse any other while IsRunning(), since
//   the window that goes could be the one being filled or the one whose handler opened it;
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
    // The same, and a press of Escape while the work runs calls onEscape (on this thread) instead
    // of being dropped with the rest of the input: the way to cancel a long read.
    static void Run(const std::function<void()>& work, const std::function<void()>& tick,
                    const std::function<void()>& onEscape);
    // True while a Run is in progress on the user-interface thread, or a CNoInput lives there: the
    // one test of "no input while a table fills", for what reaches a handler past the filter.
    static bool IsRunning();
    // A table fill or sort on the user-interface thread: IsRunning() for the life of the object, and
    // at its end (also when it threw) what the window system delivered meanwhile is read and its user
    // input and close requests dropped, since it waited for a table not yet there (or its rows in
    // their old order). Off that thread, or without an application, it does nothing.
    class CNoInput {
    public:
        CNoInput();
        ~CNoInput();
        CNoInput(const CNoInput&) = delete;
        CNoInput& operator=(const CNoInput&) = delete;

    private:
        bool m_bOn = false;  // on the user-interface thread, with an application
    };

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
