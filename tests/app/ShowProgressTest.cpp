#include "app/MainFrame.h"
#include "app/ShellFixture.h"
#include "platform/ProgressCtrl.h"
#include "platform/StatusBar.h"
#include "scan/DriveScanner.h"

#include <QProgressBar>

namespace {

class ShowProgress : public ShellFixture {
protected:
    void SetUp() override { Start(); }
    static CStatusBar* Bar() { return Frame()->GetStatusBar(); }
    static int PaneRight() {
        const QRect pane = Bar()->GetItemRect(0);
        return pane.x() + pane.width();  // one past the pane's last pixel
    }
    static QList<QProgressBar*> Bars() { return Bar()->findChildren<QProgressBar*>(Qt::FindDirectChildrenOnly); }
};

}  // namespace

TEST_F(ShowProgress, BarStartsWhereTheTextEnds) {
    struct Case {
        std::string text;
        int left;
    };
    const Case cases[] = {
        {" open C: Files ...", 99},  // 18 characters
        {" sort x", 38},             // 7 characters, 38.5 cut
        {"", 2},
        {" open C: Found 1 lines like \"\xC3\xA4\" ...", 192},  // 35 characters in 36 bytes
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        CDriveScanner scanner;
        scanner.ShowProgress(c.text, nullptr);
        EXPECT_EQ(Bar()->GetPaneText(0), c.text);
        ASSERT_TRUE(scanner.m_wndProgress.HasWindow());
        QProgressBar* bar = scanner.m_wndProgress.GetBar();
        EXPECT_EQ(bar->parent(), Bar());
        EXPECT_EQ(bar->geometry(), QRect(QPoint(c.left, 2), QPoint(PaneRight() - 5 - 1, 16 - 1)));
        EXPECT_EQ(bar->minimum(), 0);
        EXPECT_EQ(bar->maximum(), 100);
        EXPECT_EQ(bar->value(), 0);
        EXPECT_TRUE(bar->isVisible());
    }
}

TEST_F(ShowProgress, TextReachingThePaneEndGivesABarWithoutWidth) {
    CDriveScanner scanner;
    const std::string text(static_cast<size_t>(PaneRight()), 'x');
    scanner.ShowProgress(text, nullptr);
    EXPECT_EQ(Bar()->GetPaneText(0), text);
    ASSERT_TRUE(scanner.m_wndProgress.HasWindow());
    EXPECT_EQ(scanner.m_wndProgress.GetBar()->width(), 0);
}

TEST_F(ShowProgress, SecondCallReplacesTheBar) {
    CDriveScanner scanner;
    const auto before = Bars().size();
    scanner.ShowProgress(" open C: Files ...", nullptr);
    scanner.m_wndProgress.SetPos(60);
    EXPECT_EQ(scanner.m_wndProgress.GetPos(), 60);
    scanner.ShowProgress(" sort by Name ...", nullptr);
    EXPECT_EQ(Bars().size(), before + 1);
    EXPECT_EQ(scanner.m_wndProgress.GetPos(), 0);
    EXPECT_EQ(Bar()->GetPaneText(0), " sort by Name ...");
    // Destroying the window takes the bar away; the scanner's end takes any bar left.
    scanner.m_wndProgress.DestroyWindow();
    EXPECT_EQ(Bars().size(), before);
    {
        CDriveScanner other;
        other.ShowProgress("x", nullptr);
        EXPECT_EQ(Bars().size(), before + 1);
    }
    EXPECT_EQ(Bars().size(), before);
}

TEST_F(ShowProgress, GivenControlIsUsedInsteadOfTheScannersOwn) {
    CDriveScanner scanner;
    CProgressCtrl control;
    scanner.ShowProgress(" sort x", &control);
    EXPECT_FALSE(scanner.m_wndProgress.HasWindow());
    ASSERT_TRUE(control.HasWindow());
    EXPECT_EQ(control.GetBar()->x(), 38);
    EXPECT_EQ(control.GetPos(), 0);
}

TEST_F(ShowProgress, PositionsReachTheObserver) {
    std::vector<int> seen;
    const auto previous = CProgressCtrl::SetPosObserver([&](const CProgressCtrl*, int pos) { seen.push_back(pos); });
    CDriveScanner scanner;
    scanner.ShowProgress(" open C: Files ...", nullptr);
    for (int pos : {10, 50, 100}) scanner.m_wndProgress.SetPos(pos);
    CProgressCtrl::SetPosObserver(previous);
    EXPECT_EQ(seen, std::vector<int>({0, 10, 50, 100}));
    EXPECT_EQ(scanner.m_wndProgress.GetPos(), 100);
}
