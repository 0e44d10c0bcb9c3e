#include "app/MainFrame.h"
#include "app/Resource.h"
#include "app/ShellFixture.h"
#include "app/ZorbinApp.h"
#include "app/ZorbinView.h"
#include "platform/DocTemplate.h"
#include "platform/Document.h"
#include "platform/MDIChildWnd.h"
#include "platform/StatusBar.h"
#include "table/ListView_Table.h"
#include "table/ListView_Table.h"
#include "table/TableKind.h"

#include <QAction>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

using MainFrame = ShellFixture;

namespace {

bool Enabled(int nID) { return ShellFixture::Frame()->GetAction(nID)->isEnabled(); }

QMenu* MenuAt(int index) { return ShellFixture::Frame()->menuBar()->actions().at(index)->menu(); }

}  // namespace

TEST_F(MainFrame, MainMenuAsQuoted) {
    Start();
    EXPECT_EQ(Frame()->GetMenuId(), IDR_MAINFRAME);
    EXPECT_EQ(MenuBarTitles(), QStringList({"&File", "&View", "&Window", "&Help"}));
    EXPECT_EQ(Entries(MenuAt(0)), QStringList({"Find &Doubles", "Find &Files or Dirs", "-", "&Close", "E&xit"}));
    EXPECT_EQ(Entries(MenuAt(1)), QStringList({"&Toolbar", "&Status Bar"}));
    EXPECT_EQ(Entries(MenuAt(2)), QStringList({"&New Window", "&Cascade", "&Tile", "&Arrange Icons"}));
    EXPECT_EQ(Entries(MenuAt(3)), QStringList({"&Help Topics", "-", "&About Zorbin..."}));
    // A table takes both find commands.
    EXPECT_TRUE(Enabled(ID_FIND_DOUBLES));
    EXPECT_TRUE(Enabled(ID_FIND_FILES));
    EXPECT_TRUE(Enabled(ID_FILE_CLOSE));
    EXPECT_TRUE(Frame()->GetAction(ID_VIEW_TOOLBAR)->isChecked());
    EXPECT_TRUE(Frame()->GetAction(ID_VIEW_STATUS_BAR)->isChecked());
}

TEST_F(MainFrame, ToolbarHasTheTwoFindButtonsWithPrompts) {
    Start();
    QToolBar* bar = Frame()->GetToolBar();
    ASSERT_EQ(bar->actions().size(), 2);
    EXPECT_EQ(bar->iconSize(), QSize(20, 17));
    EXPECT_TRUE(bar->isMovable());
    EXPECT_EQ(bar->allowedAreas(), Qt::AllToolBarAreas);
    struct Button {
        int nID;
        const char* prompt;
    };
    const Button buttons[] = {{ID_FIND_DOUBLES, "Find doubled files"}, {ID_FIND_FILES, "Find Files  or Dirs by name"}};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(buttons[i].prompt);
        QAction* action = bar->actions().at(i);
        EXPECT_EQ(action, Frame()->GetAction(buttons[i].nID));
        EXPECT_EQ(action->statusTip().toStdString(), buttons[i].prompt);
        EXPECT_EQ(action->toolTip().toStdString(), buttons[i].prompt);
        EXPECT_FALSE(action->icon().pixmap(QSize(20, 17)).isNull());
    }
}

TEST_F(MainFrame, ToolbarButtonReachesTheActiveTable) {
    Start();
    auto* button = qobject_cast<QToolButton*>(Frame()->GetToolBar()->widgetForAction(Frame()->GetAction(ID_FIND_FILES)));
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(button, Qt::LeftButton);
    // All Drives refuses the search with its own message: the click got to the table's handler.
    ASSERT_EQ(m_boxes.boxes.size(), 1u);
    EXPECT_EQ(m_boxes.boxes[0].text, "Find works inside other tables, not in the \"All Drives\"");
    EXPECT_EQ(m_boxes.boxes[0].caption, "Zorbin");
    EXPECT_EQ(m_boxes.boxes[0].owner, Frame());
}

TEST_F(MainFrame, StatusBarHasMessagePaneAndThreeIndicators) {
    Start();
    CStatusBar* bar = Frame()->GetStatusBar();
    ASSERT_EQ(bar->GetCount(), 4);
    EXPECT_EQ(bar->GetPaneText(1), "CAP");
    EXPECT_EQ(bar->GetPaneText(2), "NUM");
    EXPECT_EQ(bar->GetPaneText(3), "SCRL");
    const QRect message = bar->GetItemRect(0);
    for (int i = 1; i < 4; ++i) {
        const QRect indicator = bar->GetItemRect(i);
        EXPECT_GT(indicator.left(), message.right()) << i;
        EXPECT_GT(message.width(), indicator.width()) << i;
    }
    // A long text does not widen the pane, and so not the window.
    const int width = Frame()->width();
    Frame()->SetMessageText(std::string(2000, 'x'));
    EXPECT_EQ(bar->GetPaneText(0), std::string(2000, 'x'));
    EXPECT_EQ(bar->GetItemRect(0), message);
    EXPECT_EQ(Frame()->width(), width);
    Frame()->SetMessageText("");
    EXPECT_EQ(bar->GetPaneText(0), "");
}

TEST_F(MainFrame, CtrlNMakesAPlainWindowWithItsOwnMenu) {
    Start();
    Activate();
    QTest::keyClick(Frame(), Qt::Key_N, Qt::ControlModifier);
    const auto children = Children();
    ASSERT_EQ(children.size(), 2u);
    EXPECT_NE(dynamic_cast<CZorbinView*>(children[1]->GetView()), nullptr);
    EXPECT_EQ(children[1]->GetTemplate(), theApp.m_pDocTemplate);
    EXPECT_EQ(Frame()->GetActiveChild(), children[1]);
    EXPECT_EQ(Title(), "Zorbin - Zorbin1");
    EXPECT_EQ(Frame()->GetMenuId(), IDR_DOCTYPE);
    EXPECT_EQ(Entries(MenuAt(0)), QStringList({"-", "E&xit"}));
    EXPECT_EQ(MenuBarTitles(), QStringList({"&File", "&View", "&Window", "&Help"}));
    // No table is active: the find commands have no handler; printing has one.
    EXPECT_FALSE(Enabled(ID_FIND_DOUBLES));
    EXPECT_FALSE(Enabled(ID_FIND_FILES));
    EXPECT_TRUE(Enabled(ID_FILE_PRINT));

    // Ctrl+O asks for a file and makes another such window, titled by the file's name.
    const std::string file = m_dir.MakeFile("plan.txt", "x");
    theApp.m_promptFileName = [&] { return file; };
    QTest::keyClick(Frame(), Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(Children().size(), 3u);
    EXPECT_EQ(Title(), "Zorbin - plan.txt");

    // Back on the table: the main menu again.
    Frame()->GetMdiArea()->setActiveSubWindow(children[0]);
    EXPECT_EQ(Frame()->GetMenuId(), IDR_MAINFRAME);
    EXPECT_EQ(Title(), "Zorbin - All Drives");
    EXPECT_TRUE(Enabled(ID_FIND_DOUBLES));
    EXPECT_FALSE(Enabled(ID_FILE_PRINT));
}

TEST_F(MainFrame, ClosingEveryWindowLeavesMainMenuWithFindDisabled) {
    Start();
    Frame()->SetMessageText(" Line:      1 /      1");
    Frame()->GetAction(ID_FILE_CLOSE)->trigger();
    Settle();
    EXPECT_TRUE(Children().empty());
    EXPECT_EQ(Frame()->GetActiveChild(), nullptr);
    EXPECT_EQ(Title(), "Zorbin");
    EXPECT_EQ(Frame()->GetMenuId(), IDR_MAINFRAME);
    EXPECT_FALSE(Enabled(ID_FIND_DOUBLES));
    EXPECT_FALSE(Enabled(ID_FIND_FILES));
    EXPECT_FALSE(Enabled(ID_FILE_CLOSE));
    EXPECT_FALSE(Enabled(ID_WINDOW_NEW));
    // The table cleared the message pane as it went.
    EXPECT_EQ(Frame()->GetStatusBar()->GetPaneText(0), "");
    // A find key now reaches nobody.
    Frame()->OnCommand(ID_FIND_DOUBLES);
    EXPECT_TRUE(m_boxes.boxes.empty());
}

TEST_F(MainFrame, TitleFollowsTheActiveDocument) {
    Start();
    CMDIChildWnd* drives = Children()[0];
    theApp.OnFileNew();
    CMDIChildWnd* plain = Children()[1];
    ASSERT_EQ(Frame()->GetActiveChild(), plain);
    // A document that is not active retitles only its own window.
    drives->GetDocument()->SetTitle("All Drives (Drive -> AZ)");
    EXPECT_EQ(drives->windowTitle().toStdString(), "All Drives (Drive -> AZ)");
    EXPECT_EQ(Title(), "Zorbin - Zorbin1");
    Frame()->GetMdiArea()->setActiveSubWindow(drives);
    EXPECT_EQ(Title(), "Zorbin - All Drives (Drive -> AZ)");
    // The active one retitles the main window at once, as a sort does.
    drives->GetDocument()->SetTitle("All Drives (Free -> ZA)");
    EXPECT_EQ(Title(), "Zorbin - All Drives (Free -> ZA)");
}

TEST_F(MainFrame, NewWindowOpensTheKindThatOpenedLast) {
    Start();
    ASSERT_EQ(g_nNextTable, AllDrives);
    Frame()->GetAction(ID_WINDOW_NEW)->trigger();
    const auto children = Children();
    ASSERT_EQ(children.size(), 2u);
    EXPECT_EQ(children[1]->GetDocument()->GetTitle(), "All Drives");
    EXPECT_EQ(children[1]->size(), QSize(460, 294));
    EXPECT_EQ(Frame()->GetActiveChild(), children[1]);
}

TEST_F(MainFrame, ViewMenuTogglesTheBars) {
    Start();
    QAction* toolbar = Frame()->GetAction(ID_VIEW_TOOLBAR);
    QAction* statusBar = Frame()->GetAction(ID_VIEW_STATUS_BAR);
    toolbar->trigger();
    statusBar->trigger();
    EXPECT_TRUE(Frame()->GetToolBar()->isHidden());
    EXPECT_TRUE(Frame()->GetStatusBar()->isHidden());
    EXPECT_FALSE(toolbar->isChecked());
    EXPECT_FALSE(statusBar->isChecked());
    toolbar->trigger();
    statusBar->trigger();
    EXPECT_FALSE(Frame()->GetToolBar()->isHidden());
    EXPECT_FALSE(Frame()->GetStatusBar()->isHidden());
    EXPECT_TRUE(toolbar->isChecked());
    EXPECT_TRUE(statusBar->isChecked());
}

TEST_F(MainFrame, ShiftDeleteIsCutAndNeverDeletes) {
    // Shift+Delete belongs to the Cut key, which has no handler: it must be taken before the table
    // sees a Delete, or a cut would ask to delete files.
    Start();
    g_nNextTable = Files;
    g_nDrive = 0;
    theApp.m_pTableTemplate->OpenDocumentFile(nullptr, true);
    auto* table = dynamic_cast<CListView_Table*>(Frame()->GetActiveView());
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(table->GetItemCount(), 1);
    table->SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    Activate();
    table->setFocus();

    for (const char* keys : {"Shift+Del", "Ctrl+X", "Ctrl+Z", "Ctrl+C", "Ctrl+V", "Ctrl+S", "F6", "Shift+F6"}) {
        SCOPED_TRACE(keys);
        QTest::keySequence(table, QKeySequence(keys));
    }
    EXPECT_TRUE(m_boxes.boxes.empty());

    // The plain Delete still reaches the table, which asks.
    m_boxes.answers = {IDNO};
    QTest::keyClick(table, Qt::Key_Delete);
    ASSERT_EQ(m_boxes.boxes.size(), 1u);
    EXPECT_EQ(m_boxes.boxes[0].type, MB_YESNO | MB_ICONQUESTION);
}

TEST_F(MainFrame, OpeningADriveEndsOnTheFilesTablesStatusLine) {
    // A child frame used to show and activate itself with its view: the fill's hiding and showing
    // of the view gave it the focus half-filled, and its end then wiped the status line.
    Start();
    Activate();
    CMDIChildWnd* drives = Children()[0];
    auto* table = dynamic_cast<CListView_Table*>(drives->GetView());
    ASSERT_NE(table, nullptr);
    table->setFocus();
    QTest::keyClick(table, Qt::Key_Return);
    const auto children = Children();
    ASSERT_EQ(children.size(), 3u);
    EXPECT_EQ(Frame()->GetActiveChild(), children[2]);
    EXPECT_EQ(Title(), "Zorbin - C: Files");
    EXPECT_EQ(Frame()->GetStatusBar()->GetPaneText(0), " Line:      1 /      1");
    EXPECT_EQ(children[1]->width(), 800);
    EXPECT_EQ(children[2]->width(), 810);
    // Each new window cascades below and right of the one before.
    EXPECT_GT(children[1]->y(), children[0]->y());
    EXPECT_GT(children[2]->y(), children[1]->y());
    EXPECT_GT(children[2]->x(), children[1]->x());
}

TEST_F(MainFrame, MaximisedChildIsNamedInBrackets) {
    // Qt appends " - [child]" to the frame's title around a maximised child; the frame's own
    // add-to-title part must then step aside, or the name shows twice.
    Start();
    Children()[0]->showMaximized();
    EXPECT_EQ(Title(), "Zorbin - [All Drives]");
    theApp.OnFileNew();  // opens maximised too, as the active one was
    Children()[1]->GetDocument()->SetTitle("All Drives (Drive -> AZ)");
    EXPECT_EQ(Title(), "Zorbin - [All Drives (Drive -> AZ)]");
    Children()[1]->showNormal();
    EXPECT_EQ(Title(), "Zorbin - All Drives (Drive -> AZ)");
}

TEST_F(MainFrame, WindowMenuListsTheOpenWindows) {
    Start();
    theApp.OnFileNew();
    QMenu* window = MenuAt(2);
    emit window->aboutToShow();
    EXPECT_EQ(Entries(window), QStringList({"&New Window", "&Cascade", "&Tile", "&Arrange Icons", "-",
                                            "&1 All Drives", "&2 Zorbin1"}));
    EXPECT_TRUE(window->actions().at(6)->isChecked());
    window->actions().at(5)->trigger();
    EXPECT_EQ(Frame()->GetActiveChild(), Children()[0]);
    Frame()->GetAction(ID_FILE_CLOSE)->trigger();
    Frame()->GetAction(ID_FILE_CLOSE)->trigger();
    Settle();
    emit window->aboutToShow();
    EXPECT_EQ(Entries(window), QStringList({"&New Window", "&Cascade", "&Tile", "&Arrange Icons"}));
}
