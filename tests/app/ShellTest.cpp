#include "WindowFixture.h"
#include "app/MainFrame.h"
#include "app/Resource.h"
#include "app/ZorbinApp.h"
#include "app/ZorbinView.h"
#include "framework/Document.h"
#include "framework/MDIChildWnd.h"
#include "framework/StatusBar.h"
#include "framework/WaitCursor.h"
#include "scan/CountThread.h"
#include "scan/DriveGlobals.h"
#include "scan/DriveScanner.h"
#include "table/ListView_Table.h"
#include "table/TableKind.h"

#include <QAction>
#include <QApplication>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QToolBar>

#include <filesystem>

namespace {

using Shell = WindowFixture;

QStringList Entries(const QMenu* menu) {
    QStringList entries;
    for (const QAction* action : menu->actions()) entries << (action->isSeparator() ? QString("-") : action->text());
    return entries;
}
QMenu* MenuAt(int index) { return Shell::Frame()->menuBar()->actions().at(index)->menu(); }
// The override cursor's shape; Blank stands for none.
Qt::CursorShape Shape() {
    return QApplication::overrideCursor() ? QApplication::overrideCursor()->shape() : Qt::BlankCursor;
}

}  // namespace

TEST_F(Shell, StartsOnAllDrivesAndTheMenusAndTitleFollowTheActiveChild) {
    Start();
    Activate();
    QTest::keyClick(Frame(), Qt::Key_N, Qt::ControlModifier);  // a plain window: a File menu of its own
    EXPECT_EQ(Entries(MenuAt(0)), QStringList({"-", "E&xit"}));
    EXPECT_FALSE(Frame()->GetAction(ID_FIND_DOUBLES)->isEnabled());  // no table takes it
    // A retitled document that is not active leaves the main title alone.
    Children()[0]->GetDocument()->SetTitle("All Drives (Drive -> AZ)");
    EXPECT_EQ(Title(), "Zorbin - Zorbin1");
    Frame()->GetMdiArea()->setActiveSubWindow(Children()[0]);
    EXPECT_EQ(Entries(MenuAt(0)), QStringList({"Find &Doubles", "Find &Files or Dirs", "-", "&Close", "E&xit"}));
    EXPECT_EQ(Title(), "Zorbin - All Drives (Drive -> AZ)");
    // Around a maximised child the platform brackets the child's name; ours must step aside.
    Children()[0]->showMaximized();
    EXPECT_EQ(Title(), "Zorbin - [All Drives (Drive -> AZ)]");
    Children()[0]->showNormal();
    emit MenuAt(2)->aboutToShow();
    EXPECT_EQ(Entries(MenuAt(2)), QStringList({"&New Window", "&Cascade", "&Tile", "&Arrange Icons", "-",
                                            "&1 All Drives (Drive -> AZ)", "&2 Zorbin1"}));
    for (int i = 0; i < 2; ++i) Frame()->GetAction(ID_FILE_CLOSE)->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // closed windows go
    EXPECT_TRUE(Children().empty());
    EXPECT_EQ(Title(), "Zorbin");
    Frame()->OnCommand(ID_FIND_DOUBLES);  // reaches nobody
    EXPECT_TRUE(m_boxes.boxes.empty());
}

TEST_F(Shell, UnhandledKeysNeverReachDeleteHelpOpensTheFirstGuideFoundAndAboutComesUp) {
    // Shift+Delete is the Cut key: a table that saw it as Delete would ask to delete files.
    m_dir.MakeFile("C/readme.txt", "x");
    Start();
    CListView_Table* table = Open(Files, 0);
    table->SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    Activate();
    table->setFocus();
    for (const char* keys : {"Shift+Del", "Ctrl+X", "Ctrl+Z", "Ctrl+C", "Ctrl+V", "F6"})
        QTest::keySequence(table, QKeySequence(keys));
    m_boxes.answers = {IDNO};
    QTest::keyClick(table, Qt::Key_Delete);  // the one key that asks
    // An installed program found only the guide of the tree it was built from, never its own.
    const std::string guide = m_dir.MakeFile("usr/share/doc/zorbin/guide.html", "<html></html>");
    Frame()->m_aGuideFolders = CMainFrame::GuideFolders(m_dir.MakeDir("usr/bin"));
    QTest::keyClick(Frame(), Qt::Key_F1);
    Frame()->m_aGuideFolders = CMainFrame::GuideFolders(m_dir.MakeDir("build"));  // nothing installed
    Frame()->GetAction(ID_HELP_FINDER)->trigger();
    const std::string opened = guide + "\n" ZORBIN_DOCS_BUILD_DIR "/guide.html\n";
    EXPECT_TRUE(QTest::qWaitFor([&] { return Opened() == opened; }, 5000)) << Opened();
    Frame()->m_aGuideFolders = {m_dir.MakeDir("empty")};
    Frame()->GetAction(ID_HELP_FINDER)->trigger();
    ASSERT_EQ(m_boxes.boxes.size(), 2u);
    EXPECT_EQ(m_boxes.boxes[1].type, MB_ICONINFORMATION);
    EXPECT_EQ(Opened(), opened);
    WithDialog([](QWidget* dialog) { QTest::mouseClick(dialog->findChild<QPushButton*>("IDOK"), Qt::LeftButton); },
               [] { Shell::Frame()->GetAction(ID_APP_ABOUT)->trigger(); });
}

TEST_F(Shell, CommandsReachTheirWindowsAndOpenFilesAreRememberedAcrossStarts) {
    Start();
    Frame()->OnCommand(ID_FIND_FILES);  // the menu's command reaches the active table, which refuses
    ASSERT_EQ(m_boxes.boxes.size(), 1u);
    EXPECT_EQ(m_boxes.boxes[0].text, "Find works inside other tables, not in the \"All Drives\"");
    for (int id : {ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR}) Frame()->OnCommand(id);
    EXPECT_TRUE(Frame()->GetToolBar()->isHidden() && Frame()->GetStatusBar()->isHidden());
    Frame()->OnCommand(ID_WINDOW_NEW);  // the kind that opened last: All Drives
    EXPECT_EQ(Title(), "Zorbin - All Drives");
    Children()[0]->showMinimized();
    for (int id : {ID_WINDOW_TILE_HORZ, ID_WINDOW_CASCADE, ID_WINDOW_ARRANGE}) Frame()->OnCommand(id);
    EXPECT_EQ(Children()[0]->geometry().bottom(), Frame()->GetMdiArea()->viewport()->rect().bottom());
    const std::string file = m_dir.MakeFile("plan.txt", "x");
    theApp.m_promptFileName = [&] { return file; };
    Frame()->OnCommand(ID_FILE_OPEN);
    EXPECT_EQ(Title(), "Zorbin - plan.txt");
    QPrinter printer;  // a plain window prints one empty page
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(m_dir.Path() + "/page.pdf"));
    CZorbinView().OnPrint(&printer);
    EXPECT_GT(std::filesystem::file_size(m_dir.Path() + "/page.pdf"), 0u);
    WaitForCount();
    theApp.ExitInstance();
    Start();
    EXPECT_EQ(theApp.m_aRecentFiles, std::vector<std::string>{file});
}

TEST_F(Shell, ProgressBarFillsThePaneFromTheEndOfTheTextAndEndingDoesNotWaitForTheCount) {
    Start();
    CStatusBar* status = Frame()->GetStatusBar();
    // The bar starts where the text ends (further right for a longer text) and ends 5 pixels
    // before the pane does.
    int lastLeft = -1;
    for (const std::string text : {"", " sort x", " open C: Files ...", " open C: Found 1 lines like \"\xC3\xA4\" ..."}) {
        CDriveScanner scanner;
        scanner.ShowProgress(text, nullptr);
        const QRect bar = scanner.m_wndProgress.GetBar()->geometry();
        EXPECT_GT(bar.left(), lastLeft) << text;
        EXPECT_EQ(bar.right(), status->GetItemRect(0).right() - 5) << text;
        lastLeft = bar.left();
        scanner.ShowProgress(" again", nullptr);  // a second bar replaces the first
        EXPECT_EQ(status->findChildren<QProgressBar*>(Qt::FindDirectChildrenOnly).size(), 1) << text;
    }
    EXPECT_TRUE(status->findChildren<QProgressBar*>(Qt::FindDirectChildrenOnly).isEmpty());
    HeldCount count;
    theApp.ExitInstance();
    m_bStarted = false;
    EXPECT_NE(g_pCountThread.load(), nullptr);  // still running: nobody waited
    EXPECT_EQ(AfxGetMainWnd(), nullptr);
}

TEST(WaitCursor, NestedBeginsEndInPairsAndLeaveOthersCursorsAlone) {
    for (int step : {1, 1, -1}) DoWaitCursor(step);
    EXPECT_EQ(Shape(), Qt::WaitCursor);
    DoWaitCursor(-1);
    EXPECT_EQ(Shape(), Qt::BlankCursor);
    QApplication::setOverrideCursor(Qt::CrossCursor);
    DoWaitCursor(-1);
    EXPECT_EQ(Shape(), Qt::CrossCursor);
    QApplication::restoreOverrideCursor();
}
