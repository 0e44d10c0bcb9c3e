#include "framework/ModalWork.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QWidget>
#include <QWindow>
#include <qpa/qwindowsysteminterface.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

// Counts the input and close requests that reach it.
struct Target : QWidget {
    int nInput = 0;
    int nCloses = 0;
    bool event(QEvent* event) override {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::MouseButtonPress: ++nInput; break;
        case QEvent::Close: ++nCloses; break;
        default: break;
        }
        return QWidget::event(event);
    }
};

}  // namespace

TEST(ModalWorkTest, InputAndCloseRequestsOfTheWindowSystemDuringTheWorkAreDroppedNotActedOnAfter) {
    // Fault mended: keys typed during a fill stayed queued and acted on the complete table
    // afterwards (Ctrl+A, Delete: "Delete those 200000 files from disk?"), and a close request of
    // the window manager ended the program after it. Here the window system queues them, as it
    // does for a user, while the work runs.
    Target target;
    target.setFocusPolicy(Qt::StrongFocus);
    target.resize(200, 100);
    target.show();
    target.setFocus();
    QCoreApplication::processEvents();
    QWindow* window = target.windowHandle();
    ASSERT_NE(window, nullptr);
    int nTicks = 0;
    CModalWork::Run(
        [] { std::this_thread::sleep_for(std::chrono::milliseconds(300)); },
        [&] {
            if (nTicks++ != 1) return;  // once, while the work runs
            QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::AsynchronousDelivery>(
                window, QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
            QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::AsynchronousDelivery>(
                window, QEvent::KeyRelease, Qt::Key_Delete, Qt::NoModifier);
            const QPointF at(10, 10);
            QWindowSystemInterface::handleMouseEvent<QWindowSystemInterface::AsynchronousDelivery>(
                window, at, window->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, QEvent::MouseButtonPress);
            QWindowSystemInterface::handleMouseEvent<QWindowSystemInterface::AsynchronousDelivery>(
                window, at, window->mapToGlobal(at), Qt::NoButton, Qt::LeftButton, QEvent::MouseButtonRelease);
            QWindowSystemInterface::handleCloseEvent<QWindowSystemInterface::AsynchronousDelivery>(window);
        });
    ASSERT_GE(nTicks, 2) << "the work ended before the input was made";
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();  // what would be left over acts now
    EXPECT_EQ(target.nInput, 0);
    EXPECT_EQ(target.nCloses, 0);
    EXPECT_TRUE(target.isVisible());
    // Afterwards the same input reaches it: what was queued above was real input.
    QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::AsynchronousDelivery>(
        window, QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QCoreApplication::processEvents();
    EXPECT_EQ(target.nInput, 1);
}
