#include "WindowFixture.h"
#include "app/CommandLine.h"
#include "scan/DriveScanner.h"

#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

#include <map>

namespace {

using Shell = WindowFixture;
using Action = CCommandLine::Action;

CCommandLine::Result Parse(std::vector<std::string> args) {
    args.insert(args.begin(), "/usr/bin/zorbin");
    return CCommandLine::Parse(args);
}

// Each entry of a menu of the menu bar as it shows: its text, and after a tab the key shown beside it.
QStringList Entries(int menu) {
    QStringList entries;
    for (const QAction* action : Shell::Frame()->menuBar()->actions().at(menu)->menu()->actions())
        entries << (action->isSeparator() ? QString("-") : action->text()) +
                       (action->shortcut().isEmpty() ? "" : "\t" + action->shortcut().toString());
    return entries;
}

}  // namespace

TEST_F(Shell, StartsOnAllDrivesTheMenusAndTitleFollowTheActiveChildAndCascadeKeepsSizes) {
    Start();
    Activate();
    QTest::keyClick(Frame(), Qt::Key_N, Qt::ControlModifier);  // a plain window: a File menu of its own
    EXPECT_EQ(Entries(0), QStringList({"-", "E&xit"}));
    EXPECT_FALSE(Frame()->GetAction(ID_FIND_DOUBLES)->isEnabled());  // no table takes it
    // A retitled document that is not active leaves the main title alone.
    Children()[0]->GetDocument()->SetTitle("All Drives (Drive -> AZ)");
    EXPECT_EQ(Title(), "Zorbin - Zorbin1");
    Frame()->GetMdiArea()->setActiveSubWindow(Children()[0]);
    EXPECT_EQ(Entries(0), QStringList({"Find &Doubles\tCtrl+D", "Find &Files or Dirs\tCtrl+F", "C&heck Contents",
                                       "&Export...\tCtrl+S", "D&elete\tDel", "-", "&Close", "E&xit"}));
    EXPECT_EQ(Entries(1), QStringList({"&Toolbar", "&Status Bar", "-", "&All Drives", "&Refresh\tF5"}));
    EXPECT_EQ(Title(), "Zorbin - All Drives (Drive -> AZ)");
    // Around a maximised child the platform brackets the child's name; ours must step aside.
    Children()[0]->showMaximized();
    EXPECT_EQ(Title(), "Zorbin - [All Drives (Drive -> AZ)]");
    Children()[0]->showNormal();
    emit Frame()->menuBar()->actions().at(2)->menu()->aboutToShow();
    EXPECT_EQ(Entries(2), QStringList({"&New Window", "&Cascade", "&Tile", "&Arrange Icons", "-",
                                       "&1 All Drives (Drive -> AZ)", "&2 Zorbin1"}));
    for (int i = 0; i < 2; ++i) Frame()->GetAction(ID_FILE_CLOSE)->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // closed windows go
    EXPECT_EQ(Title(), "Zorbin");
    // View > All Drives: a new table when none is open, the open one brought to the front otherwise.
    WaitForCount();  // a new table would start a count of its own after this one
    Frame()->GetAction(ID_VIEW_ALL_DRIVES)->trigger();
    theApp.OnFileNew();
    Children()[0]->showMinimized();
    Frame()->GetAction(ID_VIEW_ALL_DRIVES)->trigger();
    EXPECT_EQ(Children().size(), 2u);
    EXPECT_EQ(Title(), "Zorbin - All Drives");
    EXPECT_FALSE(Children()[0]->isMinimized());
    // Cascade: from the top left, one equal step down and to the right for each window further in
    // front, each keeping its size (one of the user's own too).
    Children()[1]->resize(500, 260);
    std::map<const QWidget*, QSize> sizes;
    for (CMDIChildWnd* child : Children()) sizes[child] = child->size(), child->move(300, 200);
    Frame()->GetAction(ID_WINDOW_CASCADE)->trigger();
    const QList<QMdiSubWindow*> stacked = Frame()->GetMdiArea()->subWindowList(QMdiArea::StackingOrder);
    const QPoint step = stacked[1]->pos() - stacked[0]->pos();
    EXPECT_TRUE(step.y() > 0 && step.x() == step.y()) << step.x() << "," << step.y();
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(stacked[i]->pos(), step * i) << i;
        EXPECT_EQ(stacked[i]->size(), sizes[stacked[i]]) << i;
    }
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

TEST_F(Shell, TheMainWindowComesBackAsItWasShowsItsProgressInThePaneAndEndsWithoutWaitingForTheCount) {
    const auto restart = [this] {
        WaitForCount();
        theApp.ExitInstance();
        Start();
    };
    Start();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect placed(screen.left() + 40, screen.top() + 30, 1100, 800);
    Frame()->setGeometry(placed);
    restart();
    EXPECT_EQ(Frame()->geometry(), placed);
    Frame()->showMaximized();
    restart();
    EXPECT_TRUE(Frame()->isMaximized());
    Frame()->showNormal();
    EXPECT_EQ(Frame()->size(), placed.size());  // the size it had before it was maximised
    // A place on a screen that is gone (a second monitor, unplugged) comes back on the screen.
    Frame()->move(screen.right() + 3000, screen.bottom() + 3000);
    restart();
    EXPECT_TRUE(screen.intersects(Frame()->geometry())) << Frame()->geometry().x() << "," << Frame()->geometry().y();
    // The bar starts about where the text ends, counted in characters, not bytes, and fills the pane
    // to a few pixels before its end; a second bar replaces the first.
    CDriveScanner scanner;
    std::vector<int> lefts;
    for (const std::string text :
         {" open C: Found 1 lines like \"a\" ...", " open C: Found 1 lines like \"\xC3\xA4\" ..."}) {
        scanner.ShowProgress(text, nullptr);
        lefts.push_back(scanner.m_wndProgress.GetBar()->geometry().left());
    }
    const QRect bar = scanner.m_wndProgress.GetBar()->geometry(), pane = Frame()->GetStatusBar()->GetItemRect(0);
    EXPECT_TRUE(lefts[0] > 100 && lefts[1] == lefts[0] && bar.right() < pane.right() && bar.right() >= pane.right() - 8)
        << lefts[0] << " " << lefts[1];
    EXPECT_EQ(Frame()->GetStatusBar()->findChildren<QProgressBar*>(Qt::FindDirectChildrenOnly).size(), 1);
    scanner.m_wndProgress.DestroyWindow();  // before the status bar goes
    HeldCount count;
    theApp.ExitInstance();
    m_bStarted = false;
    EXPECT_NE(g_pCountThread.load(), nullptr);  // still running: nobody waited
    EXPECT_EQ(AfxGetMainWnd(), nullptr);
}

// The usage line and the version text are the program's own test (tests/CMakeLists.txt): here the
// other ways of asking for them, and what a run takes along.
TEST(CommandLine, GoodArgumentsRunHelpOrVersionAndFileNamesAndToolkitOptionsPass) {
    EXPECT_NE(Parse({"-h"}).text.find("--drives <MAP>"), std::string::npos);
    EXPECT_EQ(Parse({"-v"}).action, Action::Version);
    // The drive map as ZORBIN_DRIVES has it, in either form of the option; file names (ignored)
    // and the toolkit's own options leave the window to open as ever.
    for (const auto& args :
         {std::vector<std::string>{"--drives", "C=/,d=/mnt/data"},
          {"--drives=C=/,d=/mnt/data", "notes.txt", "-platform", "offscreen", "-style", "Fusion", "-reverse"}}) {
        const auto run = Parse(args);
        EXPECT_EQ(run.action, Action::Run) << run.text;
        EXPECT_EQ(run.drives.value_or("none"), "C=/,d=/mnt/data");
    }
    EXPECT_FALSE(Parse({"notes.txt"}).drives.has_value());
}

TEST(CommandLine, BadArgumentsSayWhatIsWrong) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--bogus"}, "Unknown option 'bogus'."},
        {{"--drives"}, "Missing value after '--drives'."},
        {{"--drives", "CC=/x"}, "--drives \"CC=/x\": entry \"CC=/x\": the drive must be one letter from A to Z"},
        {{"--drives", "C=/,C=/y"}, "--drives \"C=/,C=/y\": entry \"C=/y\": letter given twice"},
        {{"--drives", "C"}, "--drives \"C\": entry \"C\": no \"=\""},
        {{"--drives", "D="}, "--drives \"D=\": entry \"D=\": empty path"},
        {{"--drives", ","}, "--drives \",\": it names no drive"},
    };
    for (const auto& [args, reason] : cases) {
        const auto result = Parse(args);
        EXPECT_TRUE(result.action == Action::Error && result.text == reason) << result.text;
    }
}
