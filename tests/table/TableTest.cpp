#include "HeadlessTable.h"
#include "WindowFixture.h"
#include "framework/ModalWork.h"
#include "framework/ProgressCtrl.h"
#include "scan/DirWalker.h"
#include "table/SortGlobals.h"

#include <QClipboard>
#include <QMimeData>
#include <QThread>
#include <QTimer>
#include <QWindow>
#include <qpa/qwindowsysteminterface.h>

#include <sys/statvfs.h>

#include <fstream>
#include <set>

namespace {

using Cells = std::vector<std::string>;
using TableTest = WindowFixture;

// Brings the table's window to the front and gives it the focus, as a click on it does.
void Focus(CListView_Table* table) {
    ASSERT_TRUE(TableTest::Frame()->isActiveWindow() || QTest::qWaitForWindowActive(TableTest::Frame()));
    TableTest::ClickHeader(table, -1);  // no column: only the window comes to the front
    table->setFocus();
}

constexpr unsigned kCurrent = LVIS_SELECTED | LVIS_FOCUSED;

TEST_F(TableTest, AllDrivesShowEachDrivesOwnSpace) {
    MapDrives("C=" + m_driveC + ",E=" + m_dir.Path() + "/missing");
    Start();
    CListView_Table* table = TableOf(Children()[0]);
    struct statvfs fs;
    ASSERT_EQ(statvfs(m_driveC.c_str(), &fs), 0);
    const double total = static_cast<double>(fs.f_blocks) * fs.f_frsize;
    EXPECT_EQ(table->GetItemText(0, 3), QString::asprintf("%.0f", total).toStdString());
    // What a user who is not root may fill; others may write meanwhile: it is held to a margin.
    const double avail = std::atof(std::string(table->GetItemText(0, 4)).c_str());
    EXPECT_NEAR(avail, static_cast<double>(fs.f_bavail) * fs.f_frsize, 256.0 * 1024 * 1024);
    EXPECT_EQ(table->GetItemText(0, 5), QString::asprintf("%2.0f %%", avail * 100 / total).toStdString());
    EXPECT_EQ(Rows(table)[1], (Row{"   E", "", "", "", "", "", ""}));  // a drive with no folder has its letter only
    // The letter alone does not tell the folder: the Drive cell's tooltip does.
    EXPECT_EQ(table->model()->index(0, 0).data(Qt::ToolTipRole).toString().toStdString(), m_driveC);
    EXPECT_EQ(CListView_Table::FormatFree(4096, 0), "");  // a file system of no bytes has no free share
}

// Drive C of twenty files f00 to f19 and six more in folders, and its Directories and Files
// tables, opened from the All Drives table as Enter on C's row opens them.
class DriveTables : public WindowFixture {
protected:
    DriveTables() {
        for (int i = 0; i < 20; ++i) m_dir.MakeFile("C/f" + std::string(i < 10 ? "0" : "") + std::to_string(i));
        for (const char* file : {"my.dir/README", "my.dir/sub/deep.TXT", "z.txt", ".profile", "b/c/d/e", "b/x y.Doc"})
            m_dir.MakeFile(std::string("C/") + file, file);
        m_dir.MakeDir("C/empty");
    }
    void OpenDriveC() {
        if (!m_bStarted) Start();
        drives = TableOf(Children()[0]);
        drives->OpenCurrentRow(0);
        files = ActiveTable();  // opened after the Directories table
        folders = TableOf(Children()[1]);
    }
    CListView_Table* drives = nullptr;
    CListView_Table* folders = nullptr;
    CListView_Table* files = nullptr;
};

TEST_F(DriveTables, OpenWhileTheCountRunsAndShowTheWalk) {
    // Every drive table waited for the count of every drive (21.6 s with five drives on /).
    Cells paths, dirs;  // a walk's pre-order in listing order, files and directories apart
    for (ListedEntry& entry : WalkOrder(m_driveC)) (entry.bDir ? dirs : paths).push_back(std::move(entry.path));
    Start();
    {
        HeldCount count;  // after the real count
        OpenDriveC();
        EXPECT_NE(g_pCountThread.load(), nullptr) << "the drive's tables opened only after the count";
    }
    EXPECT_EQ(files->GetDocument()->GetTitle() + ", " + folders->GetDocument()->GetTitle(), "C: Files, C: Directories");
    EXPECT_EQ(Column(files, 0), paths);
    EXPECT_EQ(Column(folders, 0), dirs);
    EXPECT_EQ(folders->GetColumnWidth(2) + folders->GetColumnWidth(3), 0);  // no Ext or Length for directories
}

TEST_F(DriveTables, TheStatusLineNamesTheCurrentRowOfTheFocusedTableWhichEnterHandsToTheOpener) {
    // A click that selects the row already current never reached the item-change handling. The
    // path went to "explorer.exe %s" through the command interpreter, which cut up or ran names
    // (the opener's own test has them); the row's path goes as it is.
    OpenDriveC();
    CListView_Table* empty = OpenFromLines(Found, {});
    empty->OpenCurrentRow(0);  // no row: nothing to open
    Focus(files);
    files->SetItemState(2, kCurrent, kCurrent);
    EXPECT_EQ(Pane0(), " Line:      3 /     26");
    QTest::keyClick(files, Qt::Key_Down);
    Focus(empty);
    EXPECT_EQ(Pane0(), " Line:      0 /      0");  // no row, so none is current
    Focus(files);
    EXPECT_EQ(Pane0(), " Line:      4 /     26");
    files->OnDblClk(-1);  // below the last row
    QTest::mouseDClick(files->viewport(), Qt::LeftButton, {}, files->visualRect(files->model()->index(1, 1)).center());
    // An opener is waited for 200 ms at most: its record may come later.
    std::string opened = std::string(files->GetItemText(1, 0)) + "\n";
    EXPECT_TRUE(QTest::qWaitFor([&] { return Opened() == opened; }, 5000)) << Opened();
    // Select All makes the last row current: the frame, the status line and Enter name one row.
    QTest::keyClick(files, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(files->currentIndex().row(), 25);  // where the dotted frame is drawn
    EXPECT_EQ(Pane0(), " Line:     26 /     26");
    QTest::keyClick(files, Qt::Key_Return);
    opened += std::string(files->GetItemText(25, 0)) + "\n";
    EXPECT_TRUE(QTest::qWaitFor([&] { return Opened() == opened; }, 5000)) << Opened();
    // Rows that change while the table is hidden (fill, sort, delete) are not the user's moves.
    files->hide();
    files->SetItemState(10, kCurrent, kCurrent);
    EXPECT_EQ(files->m_nRow, 25);
    files->show();
}

TEST_F(DriveTables, FileCommandsActOnlyInAFilesTableAndDeleteRenumbersTheRowsThatStay) {
    // The rows that stay are renumbered, so a sort that compares cells by item data (a real column
    // with a cell that is no number) reads the right rows (it read other rows' cells: f18, f17 ...
    // f01, f19).
    OpenDriveC();
    for (CListView_Table* table : {drives, folders}) QTest::keyClick(table, Qt::Key_D, Qt::ControlModifier);
    QTest::keyClick(drives, Qt::Key_Delete);
    EXPECT_TRUE(m_boxes.boxes.empty());
    Frame()->GetMdiArea()->setActiveSubWindow(Children()[0]);
    EXPECT_FALSE(Frame()->GetAction(ID_TABLE_DELETE)->isEnabled());  // drives are not deleted
    Focus(files);
    SortBy(files, 1, false);               // a sort clears the selection
    const Cells names = Column(files, 1);  // row 0 goes
    files->SetItemState(0, kCurrent, kCurrent);
    QTest::keyClick(files, Qt::Key_Delete);  // answered Yes
    EXPECT_EQ(Pane0(), " Line:      1 /     25");
    for (int r = 0; r < files->GetItemCount(); ++r) EXPECT_EQ(files->GetItemData(r), r) << "renumbered";
    SortBy(files, 1, true);
    EXPECT_EQ(Column(files, 1), Cells(names.rbegin(), names.rend() - 1));
    SortBy(files, 1, false);  // Find Doubles reads a table sorted by Name
    QTest::keyClick(files, Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(ActiveTable()->m_nKind, Doubles);
}

// With one drive and no click, the counts never reached their cells.
TEST_F(DriveTables, CountsShowWhenTheCountEndsAndASortedTableOpensTheDriveItsRowShows) {
    Start();
    drives = ActiveTable();
    const std::vector<Row> counted = {{"   C", "26", "6"}, {"   D", "0", "0"}};
    EXPECT_TRUE(QTest::qWaitFor([&] { return Rows(drives, 3) == counted; }, 5000)) << Rows(drives, 3)[0][1];
    // Whatever the row changes before: a count that ends later shows at its end, with no move.
    for (int r = 0; r < 2; ++r) drives->SetItemText(r, 1, ""), drives->SetItemText(r, 2, "");
    HeldCount count;
    drives->WatchCount();
    QTest::qWait(300);
    EXPECT_EQ(Rows(drives, 3), (std::vector<Row>{{"   C", "", ""}, {"   D", "", ""}}));  // not while it runs
    count.Release();
    EXPECT_TRUE(QTest::qWaitFor([&] { return Rows(drives, 3) == counted; }, 5000));
    SortBy(drives, 0, true);
    drives->OpenCurrentRow(0);
    EXPECT_EQ(ActiveTable()->GetDocument()->GetTitle(), "D: Files");
}

// The walk of a drive ran on the interface thread, and the window did not repaint for seconds. Input
// typed while a table fills or sorts must not act once it is there: Ctrl+A and Delete asked to delete
// all of its rows; Down and Delete during a sort, a row that was never shown where the keys aimed.
TEST_F(TableTest, AFillKeepsTheWindowAnsweringAndTakesNoInputUntilItsTableIsComplete) {
    for (int d = 0; d < 200; ++d)
        for (int f = 0; f < 10; ++f) m_dir.MakeFile("C/d" + std::to_string(d) + "/f" + std::to_string(f));
    // 3 ms a folder: the walk lasts 0.6 s at least, however fast the machine lists.
    const CDirWalker::ListingHook previousHook = CDirWalker::SetListingHook([](std::string_view) {
        QThread::msleep(3);
        return true;
    });
    Start();
    Activate();
    QWindow* window = Frame()->windowHandle();
    const auto queue = [window] {  // Ctrl+A and Delete, as the window system hands keys on
        for (const auto& [key, modifiers] :
             {std::pair{Qt::Key_A, Qt::ControlModifier}, std::pair{Qt::Key_Delete, Qt::NoModifier}})
            for (const QEvent::Type event : {QEvent::KeyPress, QEvent::KeyRelease})
                QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::AsynchronousDelivery>(window, event, key,
                                                                                                     modifiers);
    };
    int nTicks = 0;  // of a timer, while the walk runs
    QTimer poke;
    QObject::connect(&poke, &QTimer::timeout, [&] {
        if (!CModalWork::IsRunning() || nTicks++ > 0) return;
        queue();
        ClickHeader(TableOf(Children().back()), 1);
        Frame()->OnCommand(ID_FIND_DOUBLES);  // the All Drives table's: "works only in ..."
        for (CMDIChildWnd* child : Children()) child->close();
        Frame()->close();
    });
    poke.start(20);
    CListView_Table* table = Open(Files, 0);
    poke.stop();
    CDirWalker::SetListingHook(previousHook);
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();  // what would be left over acts now
    EXPECT_GE(nTicks, 1) << "the window did not answer while the walk ran";
    EXPECT_EQ(table->GetDocument()->GetTitle(), "C: Files");  // no sort
    EXPECT_EQ(table->GetItemCount(), 2000);
    EXPECT_TRUE(Children().size() == 2 && Frame()->isVisible());
    queue();  // still waiting as a sort begins: dropped too
    table->OnColumnClick(1);
    // Typed once the table is there, the same keys act: what was queued above was real input.
    m_boxes.answers = {IDNO};
    queue();
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    EXPECT_EQ(m_boxes.boxes.size(), 1u);  // the question of this Delete, and no box before it
}

TEST(HeadlessTableTest, ADirectoriesTableShowsEachFoldersOwnCreationTime) {
    // The drive holds folders only: Created cells taken from the files' times would all be empty.
    TempDir drive;
    for (const char* dir : {"a/b", "c"}) drive.MakeDir(dir);
    Cells dirs, created;
    for (ListedEntry& entry : WalkOrder(drive.Path())) {
        created.push_back(BirthText(entry.path));
        dirs.push_back(std::move(entry.path));
    }
    if (created.front().empty()) GTEST_SKIP() << "the test's file system keeps no birth times";
    CHeadlessTable folders;
    ASSERT_TRUE(folders.Open(drive.Path(), Directories));
    folders.Fill();
    EXPECT_EQ(Column(folders.view, 0), dirs);
    EXPECT_EQ(Column(folders.view, 4), created);
}

TEST_F(TableTest, ADriveThatCannotBeReadSaysWhyAndFoldersNotListedAreCounted) {
    // Fault mended: a drive whose folder, or a folder of it, could not be read looked empty, or
    // smaller, with no word why. Here their listings fail as for a user who may not read them.
    for (const char* file : {"C/open/f", "C/locked/g", "C/b/locked/h", "D/x"}) m_dir.MakeFile(file, "x");
    const std::set<std::string> refused = {m_driveC + "/locked", m_driveC + "/b/locked", m_driveD};
    const CDirWalker::ListingHook previous =
        CDirWalker::SetListingHook([&](std::string_view path) { return refused.count(std::string(path)) == 0; });
    Start();
    WaitForCount();
    Focus(Open(Files, 0));
    EXPECT_EQ(Pane0(), " Line:      1 /      1   (2 folders of the drive could not be listed)");
    Open(Directories, 1);
    CDirWalker::SetListingHook(previous);
    ASSERT_EQ(m_boxes.boxes.size(), 1u);
    EXPECT_EQ(m_boxes.boxes[0].text, "The drive D: cannot be read:\n\n" + m_driveD + "\n\nPermission denied");
    EXPECT_EQ(m_boxes.boxes[0].type, static_cast<unsigned>(MB_ICONINFORMATION));
}

TEST_F(TableTest, AFillOrASortThatThrowsLeavesTheTableShownAndTheCursorNormal) {
    // Fault mended: an error re-raised from a fill's worker left the table hidden for good and the
    // wait cursor on. Here the progress bar throws once it moves past 0, with the table hidden.
    Start();
    std::vector<std::string> lines;
    for (const char* name : {"a", "b", "c"})
        lines.push_back(ResultLine({std::string("/t/") + name, name, "", "1", "", "", ""}));
    CListView_Table* table = OpenFromLines(Found, lines);
    EXPECT_EQ(Rows(table)[0], (Row{" /t/a", " a", " ", " 1", " ", " ", " "}));  // a hand-over's blank before each
    Focus(table);
    struct Thrown {};
    const CProgressCtrl::PosObserver previous = CProgressCtrl::SetPosObserver([](const CProgressCtrl*, int pos) {
        if (pos > 0) throw Thrown{};
    });
    EXPECT_THROW(table->OnColumnClick(1), Thrown);
    EXPECT_TRUE(!table->isHidden() && table->hasFocus());
    EXPECT_THROW(OpenFromLines(Found, lines), Thrown);
    CProgressCtrl::SetPosObserver(previous);
    EXPECT_FALSE(TableOf(Children().back()) == table || TableOf(Children().back())->isHidden());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(CModalWork::IsRunning()) << "input stays dropped";
}

// A table was never read again, so a change on the disk meant closing it and opening the drive anew.
TEST_F(TableTest, RefreshReadsTheDriveAgainInTheOldPlaceSortedAsBeforeButNoOtherFolderNorResults) {
    for (const char* file : {"a/one", "a/b/two", "three"}) m_dir.MakeFile(std::string("C/") + file, "123");
    m_dir.MakeFile("C/big", std::string(5000, 'x'));
    Start();
    OpenFromLines(Found, {ResultLine({m_driveC + "/three", "three", "", "3", "", "", ""})});
    Frame()->UpdateCommandUI();
    EXPECT_FALSE(Frame()->GetAction(ID_VIEW_REFRESH)->isEnabled());  // rows of a search, not of a drive
    CListView_Table* files = Open(Files, 0);
    SortBy(files, 3, true);     // by Length, descending
    g_bSortDescending = false;  // another table's sort turned the program's direction round since
    Children().back()->setGeometry(20, 10, 470, 300);
    m_dir.MakeFile("C/a/b/huge", std::string(12000, 'y'));  // first by number, last by text
    Activate();
    QTest::keyClick(Frame(), Qt::Key_F5);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(Children().size(), 3u);
    files = ActiveTable();
    EXPECT_EQ(Children().back()->geometry(), QRect(20, 10, 470, 300));
    EXPECT_EQ(files->GetDocument()->GetTitle(), "C: Files (Length -> ZA)");
    EXPECT_EQ(Column(files, 3), (Cells{"12000", "5000", "3", "3", "3"}));
    // A disk unmounted, the next one took its letter: it is not read in this table's place.
    MapDrives("C=" + m_driveD);
    Frame()->GetAction(ID_VIEW_REFRESH)->trigger();
    ASSERT_EQ(m_boxes.boxes.size(), 1u);
    EXPECT_EQ(m_boxes.boxes[0].text,
              "C: is no longer the drive of this table (" + m_driveC + "). Open the drive again from \"All Drives\".");
    EXPECT_EQ(ActiveTable(), files);
}

// The given rows as a reader of the written text must give them back: the column names, then the cells.
std::string Expected(const CListView_Table* table, const std::vector<int>& rows) {
    std::string out;
    for (const char* name : {"Path", "Name", "Ext", "Length", "Created", "Modified", "Accessed"})
        out += (out.empty() ? "" : " ") + HexText(name);
    for (const int r : rows)
        for (int c = 0; c < 7; ++c) out += (c ? " " : "\n") + HexText(std::string(table->GetItemText(r, c)));
    return out + "\n";
}

// How each byte is quoted is the table text's own test: here the table's rows reach a file of the
// chosen name in the format its name asks for, and the selection reaches the clipboard.
TEST_F(TableTest, ExportAndCtrlCWriteRowsAReaderTakesBackAndAFailedExportLeavesNoHalfFile) {
    for (const char* name : {"a,b.txt", "tab\tname", "plain"}) m_dir.MakeFile(std::string("C/") + name, name);
    const std::string out = m_dir.MakeDir("out");
    Start();
    CListView_Table* table = Open(Files, 0);
    std::string target;
    theApp.m_promptExportName = [&] { return target; };
    target = out + "/t.TSV";         // the name chooses the format: tab-separated
    std::ofstream(target) << "old";  // replaced whole
    table->Export();
    EXPECT_EQ(ReadCsvWithPython(target, "excel-tab"), Expected(table, {0, 1, 2}));
    // A name that cannot take a file (a folder stands there): the reason, and no temporary file beside it.
    target = m_dir.MakeDir("out/taken.csv");
    table->Export();
    ASSERT_EQ(m_boxes.boxes.size(), 1u);
    EXPECT_NE(m_boxes.boxes[0].text.find("Is a directory"), std::string::npos) << m_boxes.boxes[0].text;
    EXPECT_EQ(ListingOrder(out).size(), 2u);
    Activate();
    table->setFocus();
    for (const int r : {0, 2}) table->SetItemState(r, LVIS_SELECTED, LVIS_SELECTED);
    QTest::keyClick(table, Qt::Key_C, Qt::ControlModifier);
    const QByteArray copied = QApplication::clipboard()->mimeData()->data("text/plain");
    std::ofstream(out + "/copied", std::ios::binary).write(copied.data(), copied.size());
    EXPECT_EQ(ReadCsvWithPython(out + "/copied", "excel-tab"), Expected(table, {0, 2}));
}

}  // namespace
