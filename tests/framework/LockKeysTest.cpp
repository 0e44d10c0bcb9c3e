#include "framework/LockKeys.h"
#include "framework/StatusBar.h"

#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace {

// The indicators stood as "CAP", "NUM" and "SCRL" whatever the keys' state: where the platform
// cannot tell (offscreen here, Wayland) every indicator stands blank, as a lock that is off.
TEST(LockKeysTest, IndicatorsStandBlankWhereThePlatformCannotTell) {
    const unsigned ids[] = {ID_SEPARATOR, ID_INDICATOR_CAPS, ID_INDICATOR_NUM, ID_INDICATOR_SCRL};
    CStatusBar bar;
    bar.SetIndicators(ids, 4);
    for (int pane = 1; pane < 4; ++pane) EXPECT_EQ(bar.GetPaneText(pane), "") << pane;
}

// An X server of the test's own: the locks it holds are the ones read back, by indicator name.
TEST(LockKeysTest, ReadsTheLocksOfAnXServer) {
    const QString xvfb = QStandardPaths::findExecutable("Xvfb");
    if (xvfb.isEmpty()) GTEST_SKIP() << "Xvfb is not installed: no X server to read";
    QProcess server;
    server.start(xvfb, {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "64x64x24"});
    // Xvfb writes the display number it took on the descriptor it is given.
    while (!server.canReadLine() && server.waitForReadyRead(10000)) {}
    const QByteArray number = server.readLine().trimmed();
    if (number.isEmpty()) GTEST_SKIP() << "Xvfb did not start: " << server.readAllStandardError().toStdString();
    Display* display = XOpenDisplay(":" + number);
    ASSERT_NE(display, nullptr);
    const unsigned numMask = XkbKeysymToModifiers(display, XK_Num_Lock);
    const struct {
        unsigned locked;
        CLockKeys::State state;
    } steps[] = {{0, {}},
                 {LockMask, {true, false, false}},
                 {numMask, {false, true, false}},
                 {LockMask | numMask, {true, true, false}}};
    for (const auto& step : steps) {
        XkbLockModifiers(display, XkbUseCoreKbd, LockMask | numMask, step.locked);
        XSync(display, False);
        const std::optional<CLockKeys::State> read = CLockKeys::ReadX11(display);
        ASSERT_TRUE(read.has_value());
        EXPECT_EQ(*read, step.state) << step.locked;
    }
    XCloseDisplay(display);
    server.terminate();
    server.waitForFinished();
}

}  // namespace
