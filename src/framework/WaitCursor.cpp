#include "framework/WaitCursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace {
// Begins not yet ended; only the user-interface thread changes it.
int g_nWaitDepth = 0;
}  // namespace

void DoWaitCursor(int nCode) {
    if (nCode > 0) {
        // Qt keeps a stack of override cursors, so nested begins and ends pair up by themselves.
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        ++g_nWaitDepth;
    } else if (nCode < 0 && g_nWaitDepth > 0) {
        // An end without a begin must not pop a cursor somebody else set.
        --g_nWaitDepth;
        QGuiApplication::restoreOverrideCursor();
    }
}
