#include "platform/WaitCursor.h"

#include <QCursor>
#include <QGuiApplication>

void DoWaitCursor(int nCode) {
    if (nCode > 0) {
        // Qt keeps a stack of override cursors, so nested begins and ends pair up by themselves.
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    } else if (nCode < 0) {
        // An end without a begin must not pop a cursor somebody else set.
        if (QGuiApplication::overrideCursor() != nullptr) QGuiApplication::restoreOverrideCursor();
    }
}
