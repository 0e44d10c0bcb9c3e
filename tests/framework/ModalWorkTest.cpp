#include "framework/ModalWork.h"

#include <QTest>
#include <QCoreApplication>
#include <QWidget>
#include <QWindow>
#include <qpa/qwindowsysteminterface.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using Async = QWindowSystemInterface::AsynchronousDelivery;

// Counts the input and close requests that reach it.
struct Target : QWidget {
    int nInput = 0, nCloses = 0;
    bool event(QEvent* event) override {
        nInput += event->type() == QEvent::KeyPress || event->type() == QEvent::MouseButtonPress;
        nCloses += event->type() == QEvent::Close;
        return QWidget::event(event);
    }
};

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
    const auto key = [window](QEvent::Type type) {
        QWindowSystemInterface::handleKeyEvent<Async>(window, type, Qt::Key_Delete, Qt::NoModifier);
    };
    const QPointF at(10, 10);
    int nTicks = 0;
    CModalWork::Run([] { std::this_thread::sleep_for(std::chrono::milliseconds(300)); },
                    [&] {
                        if (nTicks++ != 1) return;  // once, while the work runs
                        key(QEvent::KeyPress);
                        key(QEvent::KeyRelease);
                        for (const auto& [buttons, type] : {std::pair{Qt::LeftButton, QEvent::MouseButtonPress},
                                                            std::pair{Qt::NoButton, QEvent::MouseButtonRelease}})
                            QWindowSystemInterface::handleMouseEvent<Async>(window, at, window->mapToGlobal(at),
                                                                            buttons, Qt::LeftButton, type);
                        QWindowSystemInterface::handleCloseEvent<Async>(window);
                    });
    ASSERT_GE(nTicks, 2) << "the work ended before the input was made";
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();  // what would be left over acts now
    EXPECT_EQ(target.nInput, 0);
    EXPECT_EQ(target.nCloses, 0);
    EXPECT_TRUE(target.isVisible());
    // Afterwards the same input reaches it: what was queued above was real input.
    key(QEvent::KeyPress);
    QCoreApplication::processEvents();
    EXPECT_EQ(target.nInput, 1);
    // Escape alone calls the cancel of a long work (a content check); other keys stay dropped.
    std::atomic<bool> bCancel{false};
    int nEscapes = 0;
    nTicks = 0;
    CModalWork::Run(
        [&] {
            while (!bCancel.load()) std::this_thread::yield();
        },
        [&] { QTest::keyClick(&target, ++nTicks == 1 ? Qt::Key_End : Qt::Key_Escape); },
        [&] { ++nEscapes, bCancel.store(true); });
    EXPECT_EQ(nEscapes, 1);
    EXPECT_EQ(target.nInput, 1);
}

}  // namespace
