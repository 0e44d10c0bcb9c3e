#include "WindowFixture.h"

#include "app/MainFrame.h"
#include "app/Resource.h"
#include "commands/ResultLines.h"
#include "scan/DirWalker.h"
#include "framework/MDIChildWnd.h"
#include "framework/Document.h"
#include "framework/MDIChildWnd.h"
#include "framework/ModalWork.h"
#include "framework/StatusBar.h"
#include "scan/CountThread.h"
#include "scan/DriveGlobals.h"
#include "table/ListView_Table.h"
#include "table/SortGlobals.h"
#include "table/TableKind.h"

#include <QAction>
#include <QApplication>
#include <QMdiArea>
#include <QElapsedTimer>
#include <QProgressBar>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <qpa/qwindowsysteminterface.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <set>
#include <thread>

namespace {

using Cells = std::vector<std::string>;
using TableTest = WindowFixture;
namespace fs = std::filesystem;

// Brings the table's window to the front and gives it the focus, as a click on it does.
void Focus(CListView_Table* table) {
    ASSERT_TRUE(TableTest::Frame()->isActiveWindow() || QTest::qWaitForWindowActive(TableTest::Frame()));
    TableTest::ClickHeader(table, -1);  // no column: only the window comes to the front
    table->setFocus();
}

constexpr unsigned kCurrent = LVIS_SELECTED | LVIS_FOCUSED;

// The order a sort must give, worked out apart from the program: numbers by value, texts by bytes, times by
// date with cells that are no time first; ascending keeps ties in their order, descending reverses it.
std::vector<Row> Sorted(std::vector<Row> rows, int nCol, bool bDescending) {
    auto key = [nCol](const Row& row) -> std::tuple<int, long long, std::string> {
        const std::string cell = row[nCol].substr(row[nCol].empty() ? 0 : 1);
        if (nCol == 3) return {0, cell.empty() ? 0 : std::stoll(cell), ""};
        if (nCol == 5 && cell.size() != 19) return {-1, 0, ""};  // "" and "no time"
        return {0, 0, nCol == 5 ? cell.substr(6, 4) + cell.substr(3, 3) + cell.substr(0, 2) + cell.substr(10) : cell};
    };
    std::stable_sort(rows.begin(), rows.end(), [&](const Row& a, const Row& b) { return key(a) < key(b); });
    if (bDescending) std::reverse(rows.begin(), rows.end());
    return rows;
}

// A sort from keys must give the merge's order with CompareRows exactly, equal rows included: a
// key that loses a sign, -0, an unparsable time or a byte past a shared prefix moves rows.
TEST(SortKeysTest, EverySortTypeGivesTheOrderOfTheMergeWithCompareRows) {
    std::mt19937 rng(7);
    const Cells numbers = {"",           "0",           "-0",   "+5",           "5",    " 7",    "-2147483648",
                           "2147483647", "99999999999", "-1e3", "1e308",        "-inf", "inf",   "abc",
                           "4x",         "0.5",         "-0.0", "-99999999999", " -12", "1e-300"};
    const Cells times = {"",
                         "no time",
                         "01/02/2024 00:00:00",
                         " 31/01/2024 23:59:59",
                         "29/02/2023 00:00:00",
                         "01/01/0000 00:00:00",
                         "31/12/9999 23:59:59",
                         "01/01/1970 00:00:00",
                         " 01/01/1970 00:00:01"};
    const Cells prefixes = {"", "ab", "/tmp/m1/", "/tmp/m1/2020/Videos/Ima", std::string("a\0", 2)};
    const auto text = [&] {
        std::string cell = prefixes[rng() % prefixes.size()];
        for (unsigned k = rng() % 12; k > 0; --k) cell += "ab\0\xFF"[rng() % 4];
        return cell;
    };
    const bool bDescendingBefore = g_bSortDescending;
    for (const int nType : {SortInteger, SortLong, SortReal, SortDateTime, SortText})
        for (const int n : {0, 1, 2, 3, 9, 50, 1000, 40000}) {  // 40000: the cells are read on two threads
            std::vector<CTextColumn> cells(1);
            const Cells& pool = nType == SortDateTime ? times : numbers;
            for (int r = 0; r < n; ++r) cells[0].Add(nType == SortText ? text() : pool[rng() % pool.size()]);
            for (const bool bDescending : {false, true}) {
                CListCtrl merged, keyed;
                for (CListCtrl* list : {&merged, &keyed}) {
                    list->InsertColumn(0, "Cell", LVCFMT_LEFT, 80, 0);
                    std::vector<CTextColumn> copy(1);
                    for (int r = 0; r < n; ++r) copy[0].AddFrom(cells[0], static_cast<std::size_t>(r));
                    list->TakeRows(std::move(copy));
                }
                g_bSortDescending = bDescending;
                g_nSortType = nType;
                g_nSortColumn = 0;
                merged.SortItems(CompareRows, reinterpret_cast<std::intptr_t>(&merged.GetRows()));
                ASSERT_TRUE(SortItemsByColumn(keyed, 0, nType, bDescending));
                for (int r = 0; r < n; ++r)
                    ASSERT_EQ(keyed.GetItemData(r), merged.GetItemData(r))
                        << nType << " " << n << " " << bDescending << " " << r;
            }
        }
    // NaN is neither below nor above any number: no keys, and the rows stay as they were.
    CListCtrl list;
    list.InsertColumn(0, "Length", LVCFMT_LEFT, 80, 0);
    for (const char* cell : {"2", "nan", "1"}) list.InsertItem(list.GetItemCount(), cell, list.GetItemCount());
    EXPECT_FALSE(SortItemsByColumn(list, 0, SortReal, false));
    EXPECT_EQ(list.GetItemText(0, 0), "2");
    g_bSortDescending = bDescendingBefore;
}

TEST_F(TableTest, AllDrivesShowEachDrivesOwnSpace) {
    // /dev/shm is another file system than /tmp here, so the two rows must differ where they should.
    char shm[] = "/dev/shm/zorbin-test-XXXXXX";
    const std::string other = mkdtemp(shm) ? shm : m_driveD;
    const std::shared_ptr<void> removed(nullptr, [&](void*) { fs::remove_all(other); });
    MapDrives("C=" + m_driveC + ",D=" + other + ",E=" + m_dir.Path() + "/missing");
    Start();
    CListView_Table* table = TableOf(Children()[0]);
    EXPECT_EQ(Column(table, 0), (Cells{"   C", "   D", "   E"}));
    for (int r = 0; r < 2; ++r) {
        struct statvfs fs;
        ASSERT_EQ(statvfs((r == 0 ? m_driveC : other).c_str(), &fs), 0);
        const double total = static_cast<double>(fs.f_blocks) * fs.f_frsize;
        EXPECT_EQ(table->GetItemText(r, 3), QString::asprintf("%.0f", total).toStdString());
        // Others may write meanwhile: the free space is held to a margin.
        const double avail = std::atof(std::string(table->GetItemText(r, 4)).c_str());
        EXPECT_NEAR(avail, static_cast<double>(fs.f_bavail) * fs.f_frsize, 256.0 * 1024 * 1024);
        EXPECT_EQ(table->GetItemText(r, 5), QString::asprintf("%2.0f %%", avail * 100 / total).toStdString());
    }
    EXPECT_EQ(Rows(table)[2], (Row{"   E", "", "", "", "", "", ""}));
    // The letter alone does not tell the folder: the Drive cell's tooltip does.
    EXPECT_EQ(table->model()->index(1, 0).data(Qt::ToolTipRole).toString().toStdString(), other);
    // A file system of no bytes at all has no free share to show.
    EXPECT_EQ(CListView_Table::FormatFree(4096, 0), "");
}

TEST_F(TableTest, AFoundTableSortsAsAReferenceOrderShowingItsProgressAndStaysFocused) {
    Start();
    // Few distinct keys, so that most rows tie: the descending comparison answers 1 for both orders
    // of equal rows, and a sort that needs a strict weak ordering reads out of range on it.
    std::mt19937 rng(3);
    const Cells names = {"alpha", "Alpha", "Zeta", "\xC3\x84rger", "beta", "b"};
    const Cells times = {"01/02/2024 00:00:00", "31/01/2024 23:59:59", "01/01/2025 00:00:00", "", "no time",
                         "31/12/2024 23:59:59"};
    const Cells lengths = {"-10", "+5", "0", "5", "10", "+15", "20"};  // "+5" is 5
    std::vector<std::string> lines = {""};                             // a line of no cells makes a row of empty cells
    std::vector<Row> rows = {Row(7, "")};
    for (int i = 0; i < 3000; ++i) {
        Row row = {"/p" + std::to_string(i), names[rng() % 6], "", lengths[rng() % 7], "", times[rng() % 6], ""};
        lines.push_back(ResultLine(row));
        for (std::string& cell : row) cell.insert(0, " ");
        rows.push_back(row);
    }
    g_strFind = "a;b";
    CListView_Table* table = OpenFromLines(Found, lines);
    ASSERT_EQ(Rows(table), rows);
    EXPECT_EQ(g_aResultLines.GetSize(), 0u);  // the lines are gone once the table has its cells
    Focus(table);
    ProgressRecorder progress;
    for (int step = 0; step < 8; ++step) {
        const int nCol = std::vector<int>{1, 3, 5}[rng() % 3];
        progress.positions.clear();
        ClickHeader(table, nCol);
        std::vector<int> positions = {0, 0};  // the bar shown at 0, then r * 100 / n for every row r, each once
        for (int r = 0; r < 3001; ++r)
            if (positions.back() != r * 100 / 3001) positions.push_back(r * 100 / 3001);
        EXPECT_EQ(progress.positions, positions);
        rows = Sorted(rows, nCol, g_bSortDescending);
        EXPECT_EQ(Rows(table), rows) << "column " << nCol << (g_bSortDescending ? " descending" : " ascending");
        const std::string sorted = " (" + table->GetColumnHeading(nCol) + (g_bSortDescending ? " -> ZA)" : " -> AZ)");
        EXPECT_EQ(table->GetDocument()->GetTitle(), "C: Found 3001 lines like \"a;b\"" + sorted);
        for (int r = 0; r < table->GetItemCount(); r += 97) EXPECT_EQ(table->GetItemData(r), r);
        EXPECT_EQ(progress.panes.back(), " sort by " + table->GetColumnHeading(nCol) + " ...");
    }
    EXPECT_TRUE(table->m_bIdle && !table->m_scanner.m_wndProgress.HasWindow() && QApplication::focusWidget() == table);
    EXPECT_EQ(Pane0(), "");
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
    void StartAndOpenDriveC() {
        Start();
        OpenDriveC();
    }
    void OpenDriveC() {
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
    ProgressRecorder progress;
    {
        HeldCount count;  // after the real count
        // A fill that waits for the count is let go after 5 s, so that it fails instead of hanging.
        std::jthread release([&count](std::stop_token stop) {
            for (int i = 0; i < 500 && !stop.stop_requested(); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            count.Release();
        });
        OpenDriveC();
        EXPECT_NE(g_pCountThread.load(), nullptr) << "the drive's tables opened only after the count";
    }
    EXPECT_EQ(progress.panes.front() + progress.panes.back(), " open C: Directories ... open C: Files ...");
    EXPECT_EQ(files->GetDocument()->GetTitle(), "C: Files");
    EXPECT_EQ(Column(files, 0), paths);
    // The scanner's own test holds every cell to lstat; here its columns reach the right ones.
    for (const Row& r : Rows(files))
        EXPECT_EQ(r[1] + "|" + r[3], r[0].substr(r[0].rfind('/') + 1) + "|" + std::to_string(fs::file_size(r[0])));
    EXPECT_FALSE(files->m_scanner.m_wndProgress.HasWindow());
    for (const CTextColumn& column : files->m_aColumns) EXPECT_TRUE(column.IsEmpty());
    EXPECT_EQ(folders->GetDocument()->GetTitle(), "C: Directories");
    EXPECT_EQ(folders->GetColumnWidth(2) + folders->GetColumnWidth(3), 0);  // no Ext or Length for directories
    EXPECT_EQ(Column(folders, 0), dirs);
    EXPECT_EQ(Column(folders, 5), Cells(dirs.size(), ""));
}

TEST_F(DriveTables, TheStatusLineShowsTheCurrentRowOfTheFocusedTable) {
    // A click that selects the row already current never reached the item-change handling.
    StartAndOpenDriveC();
    CListView_Table* empty = OpenFromLines(Found, {});
    Focus(files);
    files->SetItemState(2, kCurrent, kCurrent);
    EXPECT_EQ(Pane0(), " Line:      3 /     26");
    QTest::keyClick(files, Qt::Key_Down);
    Focus(empty);
    EXPECT_EQ(Pane0(), " Line:      0 /      0");  // no row, so none is current
    Focus(files);
    EXPECT_EQ(Pane0(), " Line:      4 /     26");
    // Rows that change while the table is hidden (fill, sort, delete) are not the user's moves.
    files->hide();
    files->SetItemState(10, kCurrent, kCurrent);
    EXPECT_EQ(files->m_nRow, 3);
    files->show();
}

TEST_F(DriveTables, OpeningARowHandsItsPathAsItIsToTheOpener) {
    // The path went to "explorer.exe %s" through the command interpreter, which cut up or ran
    // names (the opener's own test has them); the row's path goes as it is.
    StartAndOpenDriveC();
    OpenFromLines(Found, {})->OpenCurrentRow(0);  // no row: nothing to open
    files->OpenCurrentRow(-1);
    files->OnDblClk(-1);  // below the last row
    QTest::mouseDClick(files->viewport(), Qt::LeftButton, {}, files->visualRect(files->model()->index(1, 1)).center());
    // An opener is waited for 200 ms at most: its record may come later.
    EXPECT_TRUE(QTest::qWaitFor([&] { return Opened() == std::string(files->GetItemText(1, 0)) + "\n"; }, 5000));
}

TEST_F(DriveTables, FileCommandKeysActOnlyInAFilesTable) {
    StartAndOpenDriveC();
    const std::size_t windows = Children().size();
    for (CListView_Table* table : {drives, folders}) QTest::keyClick(table, Qt::Key_D, Qt::ControlModifier);
    QTest::keyClick(drives, Qt::Key_F, Qt::ControlModifier);
    QTest::keyClick(drives, Qt::Key_Delete);
    EXPECT_TRUE(m_boxes.boxes.empty());
    EXPECT_EQ(Children().size(), windows);
    SortBy(files, 1, false);  // Find Doubles reads a table sorted by Name
    QTest::keyClick(files, Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(ActiveTable()->m_nKind, Doubles);
}

TEST_F(DriveTables, DeleteAsksWithTheTableHiddenAndRenumbersTheRowsThatStay) {
    // The rows that stay are renumbered, so a sort that compares cells by item data (a real column
    // with a cell that is no number) reads the right rows (it read other rows' cells: f18, f17 ...
    // f01, f19).
    StartAndOpenDriveC();
    Focus(files);
    SortBy(files, 1, false);               // a sort clears the selection
    const Cells names = Column(files, 1);  // row 0 goes
    files->SetItemState(0, kCurrent, kCurrent);
    bool bHidden = false;
    const MessageBoxHandler previous = SetMessageBoxHandler([&](const MessageBoxRequest&) {
        bHidden = !files->isVisible();
        return IDYES;
    });
    QTest::keyClick(files, Qt::Key_Delete);
    SetMessageBoxHandler(previous);
    EXPECT_TRUE(bHidden);
    EXPECT_EQ(Pane0(), " Line:      1 /     25");
    for (int r = 0; r < files->GetItemCount(); ++r) EXPECT_EQ(files->GetItemData(r), r);
    SortBy(files, 1, true);
    EXPECT_EQ(Column(files, 1), Cells(names.rbegin(), names.rend() - 1));
}

TEST_F(DriveTables, AClickOnACountCellShowsTheCountsAndASortedTableOpensTheDriveItsRowShows) {
    StartAndOpenDriveC();
    WaitForCount();
    Focus(drives);
    SortBy(drives, 0, true);  // the counts find their rows by the Drive cell
    ASSERT_EQ(drives->currentIndex().row(), 0);
    // Only the click may write them.
    for (int r = 0; r < 2; ++r) drives->SetItemText(r, 1, ""), drives->SetItemText(r, 2, "");
    const QPoint cell = drives->visualRect(drives->model()->index(0, 1)).center();
    QTest::mouseClick(drives->viewport(), Qt::LeftButton, {}, cell);
    EXPECT_EQ(Rows(drives, 3), (std::vector<Row>{{"   D", "0", "0"}, {"   C", "26", "6"}}));
    drives->OpenCurrentRow(0);
    EXPECT_EQ(ActiveTable()->GetDocument()->GetTitle(), "D: Files");
}

// The walk of a drive ran on the interface thread: for seconds the window did not repaint and the
// desktop called it not responding. Input that reached it then must still not act on the half-made table.
TEST_F(TableTest, AFillKeepsPaintingAndTakesNoInputUntilItsTableIsComplete) {
    char shm[] = "/dev/shm/zorbin-test-XXXXXX";  // in memory: 200,000 files on a disk take half a minute
    const std::string drive = mkdtemp(shm) ? shm : m_driveC;
    const std::shared_ptr<void> removed(nullptr, [&](void*) { fs::remove_all(drive); });
    MapDrives("C=" + drive + ",D=" + m_driveD);
    for (int d = 0; d < 200; ++d) {
        const std::string dir = drive + "/d" + std::to_string(d);
        ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
        for (int f = 0; f < 1000; ++f)
            ASSERT_EQ(close(open((dir + "/f" + std::to_string(f)).c_str(), O_CREAT, 0644)), 0);
    }
    // 3 ms a folder: the walk lasts 0.6 s at least, however fast the machine lists.
    auto previousHook = CDirWalker::SetListingHook([](std::string_view) {
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
        return true;
    });
    Start();
    WaitForCount();  // the drive's count lets the bar advance as well
    struct PaintGap : QObject {
        QElapsedTimer clock;
        qint64 gap = 0;  // the longest time without a paint, in ms
        void Mark() { gap = std::max(gap, clock.restart()); }
        bool eventFilter(QObject*, QEvent* event) override { return event->type() == QEvent::Paint && (Mark(), false); }
    } paints;
    bool bPoked = false;
    std::set<QString> barTexts;
    int nBarPos = 0;
    QTimer poke;
    QObject::connect(&poke, &QTimer::timeout, [&] {
        Frame()->GetStatusBar()->update();
        if (!CModalWork::IsRunning()) return;
        CListView_Table* half = TableOf(Children().back());
        const QProgressBar* bar = half->m_scanner.m_wndProgress.GetBar();
        if (bar && bar->isTextVisible()) barTexts.insert(bar->text()), nBarPos = std::max(nBarPos, bar->value());
        if (std::exchange(bPoked, true)) return;
        QTest::keyClick(half, Qt::Key_D, Qt::ControlModifier);  // Find Doubles: "At first please sort ..."
        ClickHeader(half, 1);
        Frame()->OnCommand(ID_FIND_DOUBLES);  // the All Drives table's: "works only in ..."
        for (CMDIChildWnd* child : Children()) child->close();
        Frame()->close();
    });
    poke.start(20);
    Frame()->GetStatusBar()->installEventFilter(&paints);
    paints.clock.start();
    CListView_Table* table = Open(Files, 0);
    paints.Mark();
    Frame()->GetStatusBar()->removeEventFilter(&paints);
    poke.stop();
    WaitForCount();
    CDirWalker::SetListingHook(std::move(previousHook));

    EXPECT_LE(paints.gap, 250) << "ms without a paint of the status bar";
    ASSERT_TRUE(bPoked);
    EXPECT_GE(barTexts.size(), 2u) << "the bar does not show the entries read as they grow";
    EXPECT_TRUE(nBarPos > 0 && nBarPos < 100) << nBarPos;
    EXPECT_TRUE(m_boxes.boxes.empty());
    EXPECT_EQ(table->GetDocument()->GetTitle(), "C: Files");
    EXPECT_TRUE(g_bSortDescending);  // no sort reversed it
    EXPECT_EQ(table->GetItemCount(), 200000);
    EXPECT_EQ(Children().size(), 2u);
    EXPECT_TRUE(Frame()->isVisible());
}

TEST_F(TableTest, ADirectoriesTableShowsEachFoldersOwnCreationTime) {
    // The drive holds folders only: Created cells taken from the files' times would all be empty.
    for (const char* dir : {"a/b", "c"}) m_dir.MakeDir(std::string("D/") + dir);
    Cells dirs, created;
    for (ListedEntry& entry : WalkOrder(m_driveD)) {
        created.push_back(BirthText(entry.path));
        dirs.push_back(std::move(entry.path));
    }
    if (created.front().empty()) GTEST_SKIP() << "the test's file system keeps no birth times";
    Start();
    CListView_Table* folders = Open(Directories, 1);
    EXPECT_EQ(Column(folders, 0), dirs);
    EXPECT_EQ(Column(folders, 4), created);
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
    CListView_Table* files = Open(Files, 0);
    EXPECT_TRUE(m_boxes.boxes.empty());
    Focus(files);
    EXPECT_EQ(Pane0(), " Line:      1 /      1   (2 folders of the drive could not be listed)");
    Open(Directories, 1);
    CDirWalker::SetListingHook(previous);
    ASSERT_EQ(m_boxes.boxes.size(), 1u);
    EXPECT_EQ(m_boxes.boxes[0].text, "The drive D: cannot be read:\n\n" + m_driveD + "\n\nPermission denied");
    EXPECT_EQ(m_boxes.boxes[0].type, static_cast<unsigned>(MB_ICONINFORMATION));
}

TEST_F(TableTest, KeysWaitingWhileATableFillsAreDroppedWhenItIsComplete) {
    // Fault mended: keys typed while a table filled acted on it once it was there: Ctrl+A and
    // Delete asked to delete all of its rows. Here they wait in the window system's queue while a
    // Found table fills on this thread.
    const std::string file = m_dir.MakeFile("C/f", "f");
    Start();
    Activate();
    QWindow* window = Frame()->windowHandle();
    ASSERT_NE(window, nullptr);
    auto queue = [window] {
        for (const auto& [key, modifiers] :
             {std::pair{Qt::Key_A, Qt::ControlModifier}, std::pair{Qt::Key_Delete, Qt::NoModifier}}) {
            for (const QEvent::Type event : {QEvent::KeyPress, QEvent::KeyRelease})
                QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::AsynchronousDelivery>(window, event, key,
                                                                                                     modifiers);
        }
    };
    m_boxes.answers = {IDNO};
    queue();  // read only once the fill below has ended
    CListView_Table* found = OpenFromLines(Found, {ResultLine({file, "f", "", "1", "", "", ""})});
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    EXPECT_TRUE(m_boxes.boxes.empty());
    EXPECT_EQ(found->GetSelectedCount(), 0u);
    // Typed once the table is there, the same keys act.
    queue();
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    EXPECT_EQ(m_boxes.boxes.size(), 1u);
}

TEST_F(TableTest, AFillOrASortThatThrowsLeavesTheTableShownAndTheCursorNormal) {
    // Fault mended: an error re-raised from a fill's worker left the table hidden for good and the
    // wait cursor on. Here the progress bar throws once it moves past 0, with the table hidden.
    Start();
    std::vector<std::string> lines;
    for (const char* name : {"a", "b", "c"})
        lines.push_back(ResultLine({std::string("/t/") + name, name, "", "1", "", "", ""}));
    struct Thrown {};
    CProgressCtrl::PosObserver previous = CProgressCtrl::SetPosObserver([](const CProgressCtrl*, int pos) {
        if (pos > 0) throw Thrown{};
    });
    const std::size_t nBefore = Children().size();
    EXPECT_THROW(OpenFromLines(Found, lines), Thrown);
    ASSERT_EQ(Children().size(), nBefore + 1);
    const CListView_Table* failed = TableOf(Children().back());
    EXPECT_FALSE(failed->isHidden());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(CModalWork::IsRunning()) << "input stays dropped";

    CProgressCtrl::SetPosObserver(std::move(previous));
    CListView_Table* table = OpenFromLines(Found, lines);
    Focus(table);
    previous = CProgressCtrl::SetPosObserver([](const CProgressCtrl*, int pos) {
        if (pos > 0) throw Thrown{};
    });
    EXPECT_THROW(table->OnColumnClick(1), Thrown);
    CProgressCtrl::SetPosObserver(std::move(previous));
    EXPECT_FALSE(table->isHidden());
    EXPECT_TRUE(table->hasFocus());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

}  // namespace

// With one drive and no click, the counts never reached their cells; and a table was never read
// again, so a change on the disk meant closing it and opening the drive anew.
// Drive C alone, of four files in two folders; its All Drives table's count cells.
class RefreshTest : public WindowFixture {
protected:
    RefreshTest() {
        MapDrives("C=" + m_driveC);
        for (const char* file : {"a/one", "a/b/two", "three"}) m_dir.MakeFile(std::string("C/") + file, "123");
        m_dir.MakeFile("C/big", std::string(5000, 'x'));
    }
    static std::vector<Row> Counts(const CListView_Table* table) { return Rows(table, 3); }
};

TEST_F(RefreshTest, CountsShowWhenTheCountEndsWhateverTheRowShowedMeanwhile) {
    Start();
    CListView_Table* drives = ActiveTable();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return Counts(drives) == std::vector<Row>{{"   C", "4", "2"}};
        },
        5000))
        << Counts(drives)[0][1] << "/" << Counts(drives)[0][2];
    // Whatever the row changes before: a count that ends later shows at its end, with no move.
    for (int c = 1; c < 3; ++c) drives->SetItemText(0, c, "");
    HeldCount count;
    drives->WatchCount();
    QTest::qWait(300);
    EXPECT_EQ(Counts(drives), (std::vector<Row>{{"   C", "", ""}}));  // not while it runs
    count.Release();
    EXPECT_TRUE(QTest::qWaitFor([&] { return Counts(drives) == std::vector<Row>{{"   C", "4", "2"}}; }, 5000));
}

TEST_F(RefreshTest, RefreshOfAllDrivesCountsAgainInTheOldTablesPlace) {
    Start();
    // A new count waits for none: Refresh of All Drives comes back once the count has ended.
    EXPECT_TRUE(QTest::qWaitFor([&] { return Frame()->GetAction(ID_VIEW_REFRESH)->isEnabled(); }, 5000));
    Children()[0]->setGeometry(20, 10, 470, 300);
    m_dir.MakeFile("C/a/four", "4");
    Activate();
    QTest::keyClick(Frame(), Qt::Key_F5);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(Children().size(), 1u);
    CListView_Table* drives = ActiveTable();
    EXPECT_EQ(Children()[0]->geometry(), QRect(20, 10, 470, 300));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return Counts(drives) == std::vector<Row>{{"   C", "5", "2"}};
        },
        5000))
        << Counts(drives)[0][1] << "/" << Counts(drives)[0][2];
}

TEST_F(RefreshTest, RefreshOfAFilesTableReadsTheDriveAgainSortedAsBefore) {
    // A Files table sorted by Length, descending: the new one has the new file and the same order.
    Start();
    CListView_Table* files = Open(Files, 0);
    SortBy(files, 3, true);
    g_bSortDescending = false;  // another table's sort turned the program's direction round since
    Children().back()->showMaximized();
    m_dir.MakeFile("C/a/b/huge", std::string(9000, 'y'));
    Frame()->GetAction(ID_VIEW_REFRESH)->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(Children().size(), 2u);
    files = ActiveTable();
    ASSERT_EQ(files->m_nKind, Files);
    EXPECT_TRUE(Children().back()->isMaximized());
    EXPECT_EQ(files->GetDocument()->GetTitle(), "C: Files (Length -> ZA)");
    std::vector<Row> expected;
    for (const ListedEntry& entry : WalkOrder(m_driveC))
        if (!entry.bDir) expected.push_back({entry.path, std::to_string(fs::file_size(entry.path))});
    std::sort(expected.begin(), expected.end(),
              [](const Row& a, const Row& b) { return std::stoll(a[1]) > std::stoll(b[1]); });
    std::vector<Row> shown;
    for (const Row& row : Rows(files)) shown.push_back({row[0], row[3]});
    ASSERT_EQ(shown.size(), 5u);
    EXPECT_EQ(shown[0], expected[0]);  // the new file, the longest
    for (std::size_t i = 0; i < shown.size(); ++i) EXPECT_EQ(shown[i][1], expected[i][1]) << i;
}

TEST_F(RefreshTest, RefreshDoesNotReadALetterThatStandsForAnotherFolderNow) {
    // A disk unmounted, the next one took its letter: it is not read in this table's place.
    Start();
    CListView_Table* files = Open(Files, 0);
    MapDrives("C=" + m_driveD);
    Frame()->GetAction(ID_VIEW_REFRESH)->trigger();
    ASSERT_EQ(m_boxes.boxes.size(), 1u);
    EXPECT_EQ(m_boxes.boxes[0].text,
              "C: is no longer the drive of this table (" + m_driveC + "). Open the drive again from \"All Drives\".");
    EXPECT_EQ(Children().size(), 2u);
    EXPECT_EQ(ActiveTable(), files);
}

TEST_F(RefreshTest, AResultTableHasNoDriveToReadAgain) {
    Start();
    OpenFromLines(Found, {ResultLine({m_driveC + "/three", "three", "", "3", "", "", ""})});
    Frame()->UpdateCommandUI();
    EXPECT_FALSE(Frame()->GetAction(ID_VIEW_REFRESH)->isEnabled());
    Frame()->GetAction(ID_VIEW_REFRESH)->trigger();
    EXPECT_EQ(Children().size(), 2u);
}

TEST_F(TableTest, AfterSelectAllTheFrameTheStatusLineAndEnterNameTheLastRow) {
    for (const char* file : {"x1", "x2", "x3"}) m_dir.MakeFile(std::string("C/") + file, file);
    Start();
    CListView_Table* files = Open(Files, 0);
    Focus(files);
    QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, files->visualRect(files->model()->index(0, 1)).center());
    ASSERT_EQ(files->currentIndex().row(), 0);
    QTest::keyClick(files, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(files->GetSelectedCount(), 3u);
    EXPECT_EQ(files->currentIndex().row(), 2);  // where the dotted frame is drawn
    EXPECT_EQ(Pane0(), " Line:      3 /      3");
    QTest::keyClick(files, Qt::Key_Return);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Opened() == std::string(files->GetItemText(2, 0)) + "\n"; }, 5000))
        << Opened();
}

TEST_F(TableTest, FileDeleteAsksAsTheDelKeyDoesAndIsOffForDrives) {
    // Answered No here: nothing goes.
    for (const char* file : {"x1", "x2", "x3"}) m_dir.MakeFile(std::string("C/") + file, file);
    Start();
    CListView_Table* files = Open(Files, 0);
    Focus(files);
    files->SetItemState(0, kCurrent, kCurrent);
    m_boxes.answers = {IDNO};
    Frame()->UpdateCommandUI();
    Frame()->GetAction(ID_TABLE_DELETE)->trigger();
    ASSERT_EQ(m_boxes.boxes.size(), 1u);
    EXPECT_EQ(m_boxes.boxes[0].type & MB_ICONQUESTION, MB_ICONQUESTION);
    EXPECT_EQ(files->GetItemCount(), 3);
    Frame()->GetMdiArea()->setActiveSubWindow(Children()[0]);
    EXPECT_FALSE(Frame()->GetAction(ID_TABLE_DELETE)->isEnabled());
}
