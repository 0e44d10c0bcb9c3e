#include "WindowFixture.h"
#include "app/MainFrame.h"
#include "app/Resource.h"
#include "app/ZorbinApp.h"
#include "app/ZorbinView.h"
#include "framework/Document.h"
#include "framework/MdiButtonStyle.h"
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
#include <QImage>
#include <QPainter>
#include <QScreen>
#include <QStyleOptionTitleBar>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QToolBar>

#include <algorithm>
#include <filesystem>

namespace {

using Shell = WindowFixture;

// Each entry as the menu shows it: its text, and after a tab the key shown beside it, whether the
// text names it or the entry's own shortcut does.
QStringList Entries(const QMenu* menu) {
    QStringList entries;
    for (const QAction* action : menu->actions()) {
        QString entry = action->isSeparator() ? QString("-") : action->text();
        if (!action->shortcut().isEmpty()) entry += "\t" + action->shortcut().toString();
        entries << entry;
    }
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
    EXPECT_EQ(Entries(MenuAt(0)),
              QStringList({"Find &Doubles\tCtrl+D", "Find &Files or Dirs\tCtrl+F", "C&heck Contents",
                           "&Export...\tCtrl+S", "D&elete\tDel", "-", "&Close", "E&xit"}));
    EXPECT_EQ(Entries(MenuAt(1)), QStringList({"&Toolbar", "&Status Bar", "-", "&All Drives", "&Refresh\tF5"}));
    EXPECT_EQ(Entries(MenuAt(3)), QStringList({"&Help Topics\tF1", "-", "&About Zorbin..."}));
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
    // View > All Drives: a new table when none is open (New Window is greyed then), the open one
    // brought to the front otherwise.
    WaitForCount();  // a new table would start a count of its own after this one
    Frame()->UpdateCommandUI();
    EXPECT_FALSE(Frame()->GetAction(ID_WINDOW_NEW)->isEnabled());
    Frame()->GetAction(ID_VIEW_ALL_DRIVES)->trigger();
    ASSERT_EQ(Children().size(), 1u);
    EXPECT_EQ(Title(), "Zorbin - All Drives");
    theApp.OnFileNew();
    Children()[0]->showMinimized();
    Frame()->GetAction(ID_VIEW_ALL_DRIVES)->trigger();
    EXPECT_EQ(Children().size(), 2u);
    EXPECT_EQ(Title(), "Zorbin - All Drives");
    EXPECT_FALSE(Children()[0]->isMinimized());
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
    // The bar starts where the text ends (further right for a longer text) and fills the pane to
    // a few pixels before its end, never past it.
    int lastLeft = -1;
    for (const std::string text :
         {"", " sort x", " open C: Files ...", " open C: Found 1 lines like \"\xC3\xA4\" ..."}) {
        CDriveScanner scanner;
        scanner.ShowProgress(text, nullptr);
        const QRect bar = scanner.m_wndProgress.GetBar()->geometry();
        EXPECT_GT(bar.left(), lastLeft) << text;
        const QRect pane = status->GetItemRect(0);
        EXPECT_TRUE(bar.right() < pane.right() && bar.right() >= pane.right() - 8) << text;
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

TEST_F(Shell, TheMainWindowComesBackWhereItWasAndMaximisedAsItWas) {
    Start();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect placed(screen.left() + 40, screen.top() + 30, 1100, 800);
    Frame()->setGeometry(placed);
    WaitForCount();
    theApp.ExitInstance();
    Start();
    EXPECT_EQ(Frame()->geometry(), placed);
    EXPECT_FALSE(Frame()->isMaximized());
    Frame()->showMaximized();
    WaitForCount();
    theApp.ExitInstance();
    Start();
    EXPECT_TRUE(Frame()->isMaximized());
    Frame()->showNormal();
    EXPECT_EQ(Frame()->size(), placed.size());  // the size it had before it was maximised
    // A place on a screen that is gone (a second monitor, unplugged) comes back on the screen.
    Frame()->move(screen.right() + 3000, screen.bottom() + 3000);
    WaitForCount();
    theApp.ExitInstance();
    Start();
    EXPECT_TRUE(screen.intersects(Frame()->geometry())) << Frame()->geometry().x() << "," << Frame()->geometry().y();
}

TEST_F(Shell, CascadeMovesEveryWindowAndKeepsItsSize) {
    Start();
    Open(Files, 0);
    Open(Directories, 0);
    const std::vector<CMDIChildWnd*> children = Children();
    children[1]->resize(500, 260);  // a size of the user's own stays too
    std::vector<QSize> sizes;
    for (const CMDIChildWnd* child : children) sizes.push_back(child->size());
    for (CMDIChildWnd* child : children) child->move(300, 200);
    Frame()->GetAction(ID_WINDOW_CASCADE)->trigger();
    const QList<QMdiSubWindow*> stacked = Frame()->GetMdiArea()->subWindowList(QMdiArea::StackingOrder);
    for (qsizetype i = 0; i < stacked.size(); ++i) {
        const auto it = std::find(children.begin(), children.end(), stacked[i]);
        ASSERT_NE(it, children.end());
        EXPECT_EQ(stacked[i]->size(), sizes[static_cast<std::size_t>(it - children.begin())]) << i;
    }
    // From the top left, one equal step down and to the right for each window further in front.
    ASSERT_EQ(stacked.size(), 3);
    const QPoint step = stacked[1]->pos() - stacked[0]->pos();
    EXPECT_EQ(stacked[0]->pos(), QPoint(0, 0));
    EXPECT_GT(step.y(), 0);
    EXPECT_EQ(step.x(), step.y());
    EXPECT_EQ(stacked[2]->pos() - stacked[1]->pos(), step);
}

TEST(MdiButtonStyle, WindowButtonsTakeThePalettesTextColour) {
    // A dark palette: light text on dark grey. The buttons of an inactive window were black.
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(50, 50, 50));
    dark.setColor(QPalette::WindowText, QColor(240, 240, 240));
    dark.setColor(QPalette::Button, QColor(60, 60, 60));
    dark.setColor(QPalette::ButtonText, QColor(230, 230, 230));
    dark.setColor(QPalette::Highlight, QColor(30, 80, 140));
    dark.setColor(QPalette::HighlightedText, QColor(255, 255, 255));
    CMdiButtonStyle style("Fusion");
    const auto lightPixels = [](const QImage& image, const QRect& rect) {
        int n = 0;
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            for (int x = rect.left(); x <= rect.right(); ++x)
                if (qGray(image.pixel(x, y)) > 180) ++n;
        return n;
    };
    // In the title bar of an inactive window.
    QStyleOptionTitleBar bar;
    bar.rect = QRect(0, 0, 300, style.pixelMetric(QStyle::PM_TitleBarHeight));
    bar.palette = dark;
    bar.text = "C: Files";
    bar.titleBarFlags = Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint;
    bar.titleBarState = 0;
    bar.state = QStyle::State_Enabled;
    bar.subControls = QStyle::SC_All;
    QImage image(bar.rect.size(), QImage::Format_RGB32);
    image.fill(dark.color(QPalette::Window));
    {
        QPainter painter(&image);
        style.drawComplexControl(QStyle::CC_TitleBar, &bar, &painter, nullptr);
    }
    for (const QStyle::SubControl button :
         {QStyle::SC_TitleBarMinButton, QStyle::SC_TitleBarMaxButton, QStyle::SC_TitleBarCloseButton}) {
        const QRect rect = style.subControlRect(QStyle::CC_TitleBar, &bar, button, nullptr);
        ASSERT_TRUE(rect.isValid()) << button;
        EXPECT_GT(lightPixels(image, rect), 3) << button;
    }
    // The buttons of a maximised window in the menu bar show these icons.
    QApplication::setPalette(dark);
    for (const QStyle::StandardPixmap glyph :
         {QStyle::SP_TitleBarMinButton, QStyle::SP_TitleBarNormalButton, QStyle::SP_TitleBarCloseButton}) {
        const QImage icon = style.standardIcon(glyph, nullptr, nullptr).pixmap(16, 16).toImage();
        int light = 0;
        for (int y = 0; y < icon.height(); ++y)
            for (int x = 0; x < icon.width(); ++x)
                if (qAlpha(icon.pixel(x, y)) > 128 && qGray(icon.pixel(x, y)) > 180) ++light;
        EXPECT_GT(light, 3) << glyph;
    }
    QApplication::setPalette(QPalette());
}
