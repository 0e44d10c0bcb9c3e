#include "framework/LockKeys.h"

#include <QGuiApplication>
#include <QKeyEvent>

CLockKeys::CLockKeys(QObject* parent) : QObject(parent) {
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (app == nullptr) return;
    if (auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>()) m_pDisplay = x11->display();
    if (m_pDisplay == nullptr) return;
    app->installEventFilter(this);
    // A reading is three round trips to the X server, well under a millisecond: four a second
    // cost nothing and catch a lock switched in another window before the user looks back.
    m_poll.setInterval(250);
    connect(&m_poll, &QTimer::timeout, this, &CLockKeys::Update);
    connect(app, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive) {
            Update();
            m_poll.start();
        } else {
            m_poll.stop();
        }
    });
    if (QGuiApplication::applicationState() == Qt::ApplicationActive) m_poll.start();
    Update();
}

bool CLockKeys::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        const auto* key = static_cast<const QKeyEvent*>(event);
        if (key->timestamp() != m_nLastKeyTime || key->timestamp() == 0) {
            m_nLastKeyTime = key->timestamp();
            Update();
        }
    }
    return QObject::eventFilter(watched, event);
}

void CLockKeys::Update() {
    const State state = ReadX11(m_pDisplay).value_or(State{});
    if (state == m_state) return;
    m_state = state;
    emit Changed();
}

// Xlib defines macros (KeyPress, None, Bool...) that would replace Qt names of that spelling: its headers
// come after all the code that needs Qt's.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>

std::optional<CLockKeys::State> CLockKeys::ReadX11(Display* display) {
    if (display == nullptr) return std::nullopt;
    int opcode = 0, event = 0, error = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
    if (!XkbQueryExtension(display, &opcode, &event, &error, &major, &minor)) return std::nullopt;
    unsigned lit = 0;
    if (XkbGetIndicatorState(display, XkbUseCoreKbd, &lit) != Success) return std::nullopt;

    // The usual places, unless the keymap names its indicators otherwise.
    unsigned caps = 1u << 0, num = 1u << 1, scroll = 1u << 2;
    if (XkbDescPtr keyboard = XkbAllocKeyboard()) {
        keyboard->device_spec = XkbUseCoreKbd;
        if (XkbGetNames(display, XkbIndicatorNamesMask, keyboard) == Success && keyboard->names != nullptr) {
            Atom atoms[XkbNumIndicators];
            int bits[XkbNumIndicators];
            int count = 0;
            for (int i = 0; i < XkbNumIndicators; ++i) {
                if (keyboard->names->indicators[i] == None) continue;
                atoms[count] = keyboard->names->indicators[i];
                bits[count++] = i;
            }
            char* names[XkbNumIndicators] = {};
            if (count > 0 && XGetAtomNames(display, atoms, count, names)) {
                for (int k = 0; k < count; ++k) {
                    const QByteArray name(names[k]);
                    XFree(names[k]);
                    if (name == "Caps Lock")
                        caps = 1u << bits[k];
                    else if (name == "Num Lock")
                        num = 1u << bits[k];
                    else if (name == "Scroll Lock")
                        scroll = 1u << bits[k];
                }
            }
        }
        XkbFreeKeyboard(keyboard, 0, True);
    }
    return State{(lit & caps) != 0, (lit & num) != 0, (lit & scroll) != 0};
}
