#include "WindowFixture.h"
#include "app/AboutDlg.h"
#include "app/MainFrame.h"
#include "app/Resource.h"
#include "app/ZorbinApp.h"
#include "app/ZorbinView.h"
#include "platform/Document.h"
#include "platform/MDIChildWnd.h"
#include "platform/StatusBar.h"
#include "platform/WaitCursor.h"
#include "platform/WinThread.h"
#include "scan/CountThread.h"
#include "scan/DriveGlobals.h"
#include "scan/DriveScanner.h"
#include "table/ListView_Table.h"
#include "table/TableKind.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QToolBar>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

namespace {

using Shell = WindowFixture;

QStringList Entries(const QMenu* menu) {
    QStringList entries;
    for (const QAction* action : menu->actions()) entries << (action->isSeparator() ? QString("-") : action->text());
    return entries;
}
QMenu* MenuAt(int index) { return Shell::Frame()->menuBar()->actions().at(index)->menu(); }
bool Enabled(int nID) { return Shell::Frame()->GetAction(nID)->isEnabled(); }

}  // namespace

TEST_F(Shell, StartsOnOneAllDrivesWindowWithItsMenusBarsAndProfile) {
    Start();
    ASSERT_EQ(Children().size(), 1u);
    EXPECT_EQ(Children()[0]->size(), QSize(460, 294));
    EXPECT_EQ(Title(), "Zorbin - All Drives");
    QStringList bar;
    for (const QAction* action : Frame()->menuBar()->actions()) bar << action->text();
    EXPECT_EQ(bar, QStringList({"&File", "&View", "&Window", "&Help"}));
    EXPECT_EQ(Entries(MenuAt(0)), QStringList({"Find &Doubles", "Find &Files or Dirs", "-", "&Close", "E&xit"}));
    EXPECT_EQ(Entries(MenuAt(1)), QStringList({"&Toolbar", "&Status Bar"}));
    EXPECT_EQ(Entries(MenuAt(3)), QStringList({"&Help Topics", "-", "&About Zorbin..."}));
    const QList<QAction*> buttons = Frame()->GetToolBar()->actions();
    ASSERT_EQ(buttons.size(), 2);
    EXPECT_EQ(buttons[0]->statusTip().toStdString(), "Find doubled files");
    EXPECT_EQ(buttons[1]->toolTip().toStdString(), "Find Files  or Dirs by name");
    CStatusBar* status = Frame()->GetStatusBar();
    ASSERT_EQ(status->GetCount(), 4);
    EXPECT_EQ(status->GetPaneText(1) + status->GetPaneText(2) + status->GetPaneText(3), "CAPNUMSCRL");
    QSettings profile(QString::fromStdString(m_dir.Path() + "/config/Tarrow/Zorbin.conf"), QSettings::IniFormat);
    EXPECT_EQ(profile.value("Settings/RecentFileListSize").toInt(), 16);
    EXPECT_TRUE(m_boxes.boxes.empty());
}

TEST_F(Shell, PlainWindowHasItsOwnMenuAndTheTitleFollowsTheActiveChild) {
    Start();
    Activate();
    QTest::keyClick(Frame(), Qt::Key_N, Qt::ControlModifier);
    ASSERT_EQ(Children().size(), 2u);
    EXPECT_NE(dynamic_cast<CZorbinView*>(Children()[1]->GetView()), nullptr);
    EXPECT_EQ(Title(), "Zorbin - Zorbin1");
    EXPECT_EQ(Frame()->GetMenuId(), IDR_DOCTYPE);
    EXPECT_EQ(Entries(MenuAt(0)), QStringList({"-", "E&xit"}));
    EXPECT_FALSE(Enabled(ID_FIND_DOUBLES));  // no table takes it
    // A retitled document that is not active leaves the main title alone.
    Children()[0]->GetDocument()->SetTitle("All Drives (Drive -> AZ)");
    EXPECT_EQ(Title(), "Zorbin - Zorbin1");
    Frame()->GetMdiArea()->setActiveSubWindow(Children()[0]);
    EXPECT_EQ(Frame()->GetMenuId(), IDR_MAINFRAME);
    EXPECT_EQ(Title(), "Zorbin - All Drives (Drive -> AZ)");
    // Around a maximised child the platform brackets the child's name; ours must step aside.
    Children()[0]->showMaximized();
    EXPECT_EQ(Title(), "Zorbin - [All Drives (Drive -> AZ)]");
    Children()[0]->showNormal();
    EXPECT_EQ(Title(), "Zorbin - All Drives (Drive -> AZ)");

    QMenu* window = MenuAt(2);
    emit window->aboutToShow();
    EXPECT_EQ(Entries(window), QStringList({"&New Window", "&Cascade", "&Tile", "&Arrange Icons", "-",
                                            "&1 All Drives (Drive -> AZ)", "&2 Zorbin1"}));
    Frame()->GetAction(ID_FILE_CLOSE)->trigger();
    Frame()->GetAction(ID_FILE_CLOSE)->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // closed windows go
    EXPECT_TRUE(Children().empty());
    EXPECT_EQ(Title(), "Zorbin");
    EXPECT_FALSE(Enabled(ID_FIND_FILES));
    Frame()->OnCommand(ID_FIND_DOUBLES);  // reaches nobody
    EXPECT_TRUE(m_boxes.boxes.empty());
}

TEST_F(Shell, CutAndOtherUnhandledKeysNeverReachTheTablesDelete) {
    // Shift+Delete is the Cut key: a table that saw it as Delete would ask to delete files.
    m_dir.MakeFile("C/readme.txt", "x");
    Start();
    CListView_Table* table = Open(Files, 0);
    ASSERT_EQ(table->GetItemCount(), 1);
    table->SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    Activate();
    table->setFocus();
    for (const char* keys : {"Shift+Del", "Ctrl+X", "Ctrl+Z", "Ctrl+C", "Ctrl+V", "F6"}) QTest::keySequence(table, QKeySequence(keys));
    EXPECT_TRUE(m_boxes.boxes.empty());
    m_boxes.answers = {IDNO};
    QTest::keyClick(table, Qt::Key_Delete);
    ASSERT_EQ(m_boxes.boxes.size(), 1u);
    EXPECT_EQ(m_boxes.boxes[0].type, MB_YESNO | MB_ICONQUESTION);
    EXPECT_EQ(m_boxes.boxes[0].caption, "Zorbin");
}

TEST_F(Shell, HelpOpensTheFirstGuideFoundOrSaysItIsMissing) {
    Start();
    Activate();
    const std::string guide = m_dir.MakeFile("share/guide.html", "<html></html>");
    Frame()->m_aGuideFolders = {m_dir.Path() + "/nowhere", m_dir.Path() + "/share"};
    QTest::keyClick(Frame(), Qt::Key_F1);
    Frame()->GetAction(ID_HELP_FINDER)->trigger();
    (void)QTest::qWaitFor([&] { return Opened() == guide + "\n" + guide + "\n"; }, 5000);
    EXPECT_EQ(Opened(), guide + "\n" + guide + "\n");
    Frame()->m_aGuideFolders = {m_dir.MakeDir("empty")};
    Frame()->GetAction(ID_HELP_FINDER)->trigger();
    ASSERT_EQ(m_boxes.boxes.size(), 1u);
    EXPECT_EQ(m_boxes.boxes[0].type, MB_ICONINFORMATION);
    EXPECT_EQ(Opened(), guide + "\n" + guide + "\n");
}

TEST_F(Shell, AboutBoxNamesTheVersion) {
    Start();
    QStringList texts;
    WithDialog(
        [&](QWidget* dialog) {
            EXPECT_EQ(dialog->windowTitle(), "About Zorbin");
            for (QLabel* label : dialog->findChildren<QLabel*>())
                if (!label->text().isEmpty()) texts << label->text();
            QTest::mouseClick(dialog->findChild<QPushButton*>("IDOK"), Qt::LeftButton);
        },
        [] { Shell::Frame()->GetAction(ID_APP_ABOUT)->trigger(); });
    ASSERT_EQ(texts.size(), 3);
    EXPECT_EQ(texts[0], "Zorbin Version 1.0");
}

TEST_F(Shell, EndingWhileACountRunsDoesNotWaitForIt) {
    Start();
    HeldCount count;
    CWinThread* worker = g_pCountThread.load();
    theApp.ExitInstance();
    m_bStarted = false;
    EXPECT_EQ(g_pCountThread.load(), worker);  // still running: nobody waited
    EXPECT_EQ(AfxGetMainWnd(), nullptr);
}

TEST_F(Shell, ProgressBarFillsThePaneFromTheEndOfTheText) {
    Start();
    CStatusBar* status = Frame()->GetStatusBar();
    const QRect pane = status->GetItemRect(0);
    const struct {
        std::string text;
        int left;
    } cases[] = {{" open C: Files ...", 99}, {" sort x", 38}, {"", 2}, {" open C: Found 1 lines like \"\xC3\xA4\" ...", 192}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        CDriveScanner scanner;
        scanner.ShowProgress(c.text, nullptr);
        EXPECT_EQ(status->GetPaneText(0), c.text);
        ASSERT_TRUE(scanner.m_wndProgress.HasWindow());
        EXPECT_EQ(scanner.m_wndProgress.GetBar()->geometry(), QRect(QPoint(c.left, 2), QPoint(pane.right() - 5, 15)));
        scanner.ShowProgress(" again", nullptr);  // a second bar replaces the first
        EXPECT_EQ(status->findChildren<QProgressBar*>(Qt::FindDirectChildrenOnly).size(), 1);
    }
    EXPECT_TRUE(status->findChildren<QProgressBar*>(Qt::FindDirectChildrenOnly).isEmpty());
}

TEST(WaitCursor, NestedBeginsEndInPairsAndLeaveOthersCursorsAlone) {
    DoWaitCursor(1);
    DoWaitCursor(1);
    DoWaitCursor(-1);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    DoWaitCursor(-1);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    QApplication::setOverrideCursor(Qt::CrossCursor);
    DoWaitCursor(-1);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::CrossCursor);
    QApplication::restoreOverrideCursor();
}
