#pragma once
#include <QObject>
#include <QTimer>
#include <optional>

struct _XDisplay;  // NOLINT(bugprone-reserved-identifier): Xlib's own name for its connection

// The state of the Caps, Num and Scroll Lock keys, as far as the platform tells it. On X11 it is
// the keyboard's XKB indicator state, read again on every key press and release anywhere in
// Zorbin and, for changes made in other windows, every 250 ms while Zorbin is the active
// application. Elsewhere (offscreen, Wayland) nothing can be read and every lock counts as off.
class CLockKeys : public QObject {
    Q_OBJECT
public:
    struct State {
        bool caps = false, num = false, scroll = false;
        bool operator==(const State&) const = default;
    };

    explicit CLockKeys(QObject* parent = nullptr);
    const State& Current() const { return m_state; }

    // The indicators of an X server's core keyboard, matched by their names ("Caps Lock",
    // "Num Lock", "Scroll Lock"), by the usual bits 0, 1 and 2 where the keymap names none;
    // nothing where the server has no XKB.
    static std::optional<State> ReadX11(_XDisplay* display);

signals:
    void Changed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Update();

    _XDisplay* m_pDisplay = nullptr;  // Qt's own connection; null where the platform is not X11
    State m_state;
    QTimer m_poll;
    unsigned long m_nLastKeyTime = 0;  // one key event reaches the filter once per widget it passes
};
