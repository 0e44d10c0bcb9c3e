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
    for (const bool caps : {false, true})
        for (const bool num : {false, true}) {
            XkbLockModifiers(display, XkbUseCoreKbd, LockMask | numMask, (caps ? LockMask : 0) | (num ? numMask : 0));
            XSync(display, False);
            EXPECT_EQ(CLockKeys::ReadX11(display), std::optional(CLockKeys::State{caps, num, false})) << caps << num;
        }
    XCloseDisplay(display);
    server.terminate();
    server.waitForFinished();
}

}  // namespace
