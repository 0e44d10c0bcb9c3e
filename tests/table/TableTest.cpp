#include "WindowFixture.h"

#include "app/MainFrame.h"
#include "commands/ResultLines.h"
#include "platform/DirWalker.h"
#include "platform/Document.h"
#include "platform/MDIChildWnd.h"
#include "platform/TimeText.h"
#include "scan/CountThread.h"
#include "scan/DriveGlobals.h"
#include "table/ListView_Table.h"
#include "table/SortGlobals.h"
#include "table/TableKind.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>

#include <sys/stat.h>
#include <sys/statvfs.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <random>

namespace {

using Cells = std::vector<std::string>;
using TableTest = WindowFixture;

// Brings the table's window to the front and gives it the focus, as a click on it does.
void Focus(CListView_Table* table) {
    if (!TableTest::Frame()->isActiveWindow()) {
        ASSERT_TRUE(QTest::qWaitForWindowActive(TableTest::Frame()));
    }
    for (QWidget* w = table; w; w = w->parentWidget())
        if (auto* window = qobject_cast<QMdiSubWindow*>(w)) TableTest::Frame()->GetMdiArea()->setActiveSubWindow(window);
    table->setFocus();
}

void SelectRow(CListView_Table* table, int nRow) {
    table->SetItemState(nRow, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

std::vector<std::string> Titles() {
    std::vector<std::string> titles;
    for (CMDIChildWnd* child : TableTest::Children()) titles.push_back(child->GetDocument()->GetTitle());
    return titles;
}

Cells Headings(const CListView_Table* table) {
    Cells headings;
    for (int c = 0; c < table->GetColumnCount(); ++c)
        headings.push_back(table->GetColumnHeading(c) + " " + std::to_string(table->GetColumnWidth(c)));
    return headings;
}

// The pre-order of a walk from the listings themselves, files and directories apart.
void Walk(const std::string& dir, Cells& files, Cells& dirs) {
    for (const std::string& name : ListingOrder(dir)) {
        const std::string path = dir + "/" + name;
        const bool bDir = std::filesystem::is_directory(std::filesystem::symlink_status(path));
        (bDir ? dirs : files).push_back(path);
        if (bDir) Walk(path, files, dirs);
    }
}

std::string Text(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

TEST_F(TableTest, AllDrivesShowsEachDrivesOwnSpaceOrItsLetterAlone) {
    // /dev/shm is another file system than /tmp here, so the two rows must differ where they should.
    char shm[] = "/dev/shm/zorbin-test-XXXXXX";
    const std::string other = mkdtemp(shm) ? shm : m_driveD;
    const struct Removed {
        std::string path;
        ~Removed() { std::filesystem::remove_all(path); }
    } removed{other};
    MapDrives("C=" + m_driveC + ",D=" + other + ",E=" + m_dir.Path() + "/missing");
    Start();
    CListView_Table* table = TableOf(Children()[0]);
    EXPECT_EQ(Headings(table), (Cells{"Drive 40", "Files 70", "Dirs 70", "Total bytes 100", "Avail. bytes 100", "Free 50"}));
    EXPECT_EQ(Column(table, 0), (Cells{"   C", "   D", "   E"}));
    for (int r = 0; r < 2; ++r) {
        struct statvfs fs;
        ASSERT_EQ(statvfs((r == 0 ? m_driveC : other).c_str(), &fs), 0);
        const double total = static_cast<double>(fs.f_blocks) * fs.f_frsize;
        EXPECT_EQ(table->GetItemText(r, 3), Text("%.0f", total));
        // Others may write meanwhile: the free space is held to a margin.
        const double avail = std::atof(std::string(table->GetItemText(r, 4)).c_str());
        EXPECT_NEAR(avail, static_cast<double>(fs.f_bavail) * fs.f_frsize, 256.0 * 1024 * 1024);
        EXPECT_EQ(table->GetItemText(r, 5), Text("%2.0f %%", avail * 100 / total));
    }
    EXPECT_EQ(Rows(table)[2], (Row{"   E", "", "", "", "", "", ""}));
    // A file system of no bytes at all has no free share to show.
    EXPECT_EQ(CListView_Table::FormatFree(4096, 0), "");
}

TEST_F(TableTest, FilesAndDirectoriesShowTheScanInListingOrder) {
    for (const char* file : {"my.dir/README", "my.dir/sub/deep.TXT", "z.txt", ".profile", "b/c/d/e", "b/x y.Doc"})
        m_dir.MakeFile(std::string("C/") + file, file);
    m_dir.MakeDir("C/empty");
    Start();
    Cells files, dirs;
    Walk(m_driveC, files, dirs);
    ProgressRecorder progress;
    CListView_Table* table = Open(Files, 0);
    EXPECT_EQ(table->GetDocument()->GetTitle(), "C: Files");
    EXPECT_EQ(Headings(table), (Cells{"Path 500", "Name 150", "Ext 50", "Length 80", "Created 120", "Modified 120", "Accessed 120"}));
    ASSERT_EQ(Column(table, 0), files);
    for (int r = 0; r < table->GetItemCount(); ++r) {
        struct stat st;
        ASSERT_EQ(lstat(files[r].c_str(), &st), 0);
        EXPECT_EQ(table->GetItemText(r, 1), std::filesystem::path(files[r]).filename().string());
        EXPECT_EQ(table->GetItemText(r, 3), std::to_string(st.st_size));
        EXPECT_EQ(table->GetItemText(r, 5), TimeText(st.st_mtime));
        EXPECT_EQ(table->GetItemData(r), r);
    }
    ASSERT_FALSE(progress.steps.empty());
    EXPECT_EQ(progress.steps[0].pane, " open C: Files ...");
    EXPECT_FALSE(table->m_scanner.m_wndProgress.HasWindow());
    for (const CTextColumn& column : table->m_aColumns) EXPECT_TRUE(column.IsEmpty());

    table = Open(Directories, 0);
    EXPECT_EQ(table->GetDocument()->GetTitle(), "C: Directories");
    EXPECT_EQ(Headings(table)[2] + Headings(table)[3], "Ext 0Length 0");
    EXPECT_EQ(Column(table, 0), dirs);
    EXPECT_EQ(Column(table, 5), Cells(dirs.size(), ""));
}

TEST_F(TableTest, ResultTablesAreCutFromTheLinesThatAreThenGone) {
    Start();
    g_strFind = "a;b";
    CListView_Table* found = OpenFromLines(Found, {ResultLine({"/x/a", "a", "", "10", "", "", ""}), ResultLine(Row(7, "")), ""});
    EXPECT_EQ(found->GetDocument()->GetTitle(), "C: Found 3 lines like \"a;b\"");
    EXPECT_EQ(g_aResultLines.GetSize(), 0u);
    EXPECT_EQ(Rows(found), (std::vector<Row>{{" /x/a", " a", " ", " 10", " ", " ", " "}, Row(7, " "), Row(7, "")}));
    EXPECT_EQ(OpenFromLines(Doubles, {})->GetDocument()->GetTitle(), "C: Doubles");
}

// The order a sort must give, worked out apart from the program: by the column's value (numbers
// by value, texts by bytes, times as day/month/year, cells that are no time first); ascending
// keeps equal rows in their order, descending is the ascending order reversed.
std::vector<Row> Sorted(std::vector<Row> rows, int nCol, bool bDescending) {
    auto key = [nCol](const Row& row) -> std::tuple<int, long long, std::string> {
        const std::string cell = row[nCol].substr(1);
        if (nCol == 3) return {0, cell.empty() ? 0 : std::stoll(cell), ""};
        if (nCol != 5) return {0, 0, cell};
        int d, m, y, H, M, S;
        if (cell.size() != 19 || std::sscanf(cell.c_str(), "%2d/%2d/%4d %2d:%2d:%2d", &d, &m, &y, &H, &M, &S) != 6) return {-1, 0, ""};
        return {0, ((((y * 13LL + m) * 32 + d) * 24 + H) * 60 + M) * 60 + S, ""};
    };
    std::stable_sort(rows.begin(), rows.end(), [&](const Row& a, const Row& b) { return key(a) < key(b); });
    if (bDescending) std::reverse(rows.begin(), rows.end());
    return rows;
}

TEST_F(TableTest, SortsAgreeWithAReferenceOrderAndRenumberTheRows) {
    // Few distinct keys, so that most rows tie: the descending comparison answers 1 for both orders
    // of equal rows, and a sort that needs a strict weak ordering reads out of range on it.
    std::mt19937 random(3);
    const Cells names = {"alpha", "Alpha", "Zeta", "\xC3\x84rger", "beta", "b"};
    const Cells times = {"01/02/2024 00:00:00", "31/01/2024 23:59:59", "01/01/2025 00:00:00", "", "no time", "31/12/2024 23:59:59"};
    std::vector<std::string> lines;
    std::vector<Row> rows;
    for (int i = 0; i < 3000; ++i) {
        const Row row = {"/p" + std::to_string(i), names[random() % 6], "", std::to_string(static_cast<int>(random() % 7) * 5 - 10),
                         "", times[random() % 6], ""};
        lines.push_back(ResultLine(row));
        rows.emplace_back();
        for (const std::string& cell : row) rows.back().push_back(" " + cell);
    }
    Start();
    CListView_Table* table = OpenFromLines(Found, lines);
    const std::string base = table->GetDocument()->GetTitle();
    for (int step = 0; step < 8; ++step) {
        const int nCol = std::vector<int>{1, 3, 5}[random() % 3];
        ClickHeader(table, nCol);
        rows = Sorted(rows, nCol, g_bSortDescending);
        ASSERT_EQ(Rows(table), rows) << "column " << nCol << (g_bSortDescending ? " descending" : " ascending");
        EXPECT_EQ(table->GetDocument()->GetTitle(),
                  base + " (" + table->GetColumnHeading(nCol) + (g_bSortDescending ? " -> ZA)" : " -> AZ)"));
        for (int r = 0; r < table->GetItemCount(); r += 97) ASSERT_EQ(table->GetItemData(r), r);
    }
}

TEST_F(TableTest, SortShowsItsProgressAndLeavesTheTableFocused) {
    Start();
    CListView_Table* table = OpenFromLines(Found, {ResultLine({"/a", "a", "", "2", "", "", ""}), ResultLine({"/b", "b", "", "1", "", "", ""})});
    Focus(table);
    ProgressRecorder progress;
    ClickHeader(table, 3);
    ASSERT_FALSE(progress.steps.empty());
    EXPECT_EQ(progress.steps[0].pane, " sort by Length ...");
    EXPECT_FALSE(table->m_scanner.m_wndProgress.HasWindow());
    EXPECT_TRUE(table->isVisible() && table->m_bIdle);
    EXPECT_EQ(QApplication::focusWidget(), table);
    EXPECT_EQ(Pane0(), "");
}

TEST_F(TableTest, StatusLineFollowsTheCurrentRowAndTheFocus) {
    Start();
    std::vector<std::string> lines(25, ResultLine({"/p", "n", "", "1", "", "", ""}));
    CListView_Table* full = OpenFromLines(Found, lines);
    CListView_Table* empty = OpenFromLines(Found, {});
    Focus(full);
    SelectRow(full, 2);
    EXPECT_EQ(Pane0(), " Line:      3 /     25");
    QTest::keyClick(full, Qt::Key_Down);
    EXPECT_EQ(Pane0(), " Line:      4 /     25");
    Focus(empty);
    EXPECT_EQ(Pane0(), " Line:      1 /      0");
    Focus(full);
    EXPECT_EQ(Pane0(), " Line:      4 /     25");
    // Rows that change while the table is hidden (fill, sort, delete) are not the user's moves.
    full->hide();
    SelectRow(full, 10);
    EXPECT_EQ(full->m_nRow, 3);
    full->show();
}

// Holds the count's walk where it lists the folder, until opened (20 s at most).
class ListingGate {
public:
    explicit ListingGate(std::string folder) : m_folder(std::move(folder)) {
        m_previous = CDirWalker::SetListingHook([this](std::string_view path) {
            std::unique_lock<std::mutex> lock(m_mutex);
            if (path == m_folder) m_bHeld = true, m_cv.notify_all(), m_cv.wait_for(lock, std::chrono::seconds(20), [this] { return m_bOpen; });
            return true;
        });
    }
    ~ListingGate() {
        Open();
        WaitForCount();  // the hook changes only between walks
        CDirWalker::SetListingHook(m_previous);
    }
    bool WaitUntilHeld() {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_cv.wait_for(lock, std::chrono::seconds(20), [this] { return m_bHeld; });
    }
    void Open() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bOpen = true;
        m_cv.notify_all();
    }

private:
    std::string m_folder;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_bHeld = false, m_bOpen = false;
    CDirWalker::ListingHook m_previous;
};

TEST_F(TableTest, DriveTablesOpenWhileTheCountRunsAndItsCountsShowOnTheNextClick) {
    // Every drive table waited for the count of every drive (21.6 s with five drives on /); and a
    // click that selects the row already current never reached the item-change handling.
    for (const char* file : {"C/a/x", "C/y", "D/z"}) m_dir.MakeFile(file);
    ListingGate gate(m_driveD);
    Start();
    CListView_Table* drives = TableOf(Children()[0]);
    drives->OpenCurrentRow(0);
    ASSERT_TRUE(gate.WaitUntilHeld());
    EXPECT_NE(g_pCountThread.load(), nullptr) << "the drive's tables opened only after the count";
    EXPECT_EQ(Titles(), (Cells{"All Drives", "C: Directories", "C: Files"}));
    EXPECT_EQ(ActiveTable()->GetItemCount(), 2);
    gate.Open();
    WaitForCount();
    Focus(drives);
    SortBy(drives, 0, true);  // the counts find their rows by the Drive cell
    ASSERT_EQ(drives->currentIndex().row(), 0);
    for (int r = 0; r < 2; ++r) drives->SetItemText(r, 1, ""), drives->SetItemText(r, 2, "");  // only the click may write them
    QTest::mouseClick(drives->viewport(), Qt::LeftButton, {}, drives->visualRect(drives->model()->index(0, 1)).center());
    EXPECT_EQ(Rows(drives, 3), (std::vector<Row>{{"   D", "1", "0"}, {"   C", "2", "1"}}));
    // A sorted table opens the drive its row shows.
    drives->OpenCurrentRow(0);
    EXPECT_EQ(Titles().back(), "D: Files");
    EXPECT_EQ(g_nNextTable, Files);
}

TEST_F(TableTest, OpenHandsTheEntrysExactBytesToTheOpenerAndNoRowOpensNothing) {
    // The path went to "explorer.exe %s" through the command interpreter: quotes, blanks or
    // "$(...)" in a name were cut up or ran. It goes as one argument now, and the blanks of
    // result lines (one per hand-over) are not part of it.
    const Cells names = {"$(touch x)", "a;b", "-x", "q\"uo'te", "sp ace", "`touch x`"};
    for (const std::string& name : names) m_dir.MakeFile("C/" + name, "1");
    Start();
    CListView_Table* files = Open(Files, 0);
    std::string expected;
    for (int r = 0; r < files->GetItemCount(); ++r) {
        files->OpenCurrentRow(r);
        expected += m_driveC + "/" + std::string(files->GetItemText(r, 1)) + "\n";
    }
    const Row row = {" " + m_driveC + "/-x", " -x", " ", " 1", " ", " ", " "};
    CListView_Table* found = OpenFromLines(Found, {ResultLine(row)});
    found->OpenCurrentRow(0);
    expected += m_driveC + "/-x\n";
    OpenFromLines(Found, {})->OpenCurrentRow(0);
    files->OpenCurrentRow(-1);
    files->OnDblClk(-1);  // below the last row
    Focus(files);
    QTest::mouseDClick(files->viewport(), Qt::LeftButton, {}, files->visualRect(files->model()->index(1, 1)).center());
    expected += std::string(files->GetItemText(1, 0)) + "\n";
    (void)QTest::qWaitFor([&] { return Opened() == expected; }, 5000);  // an opener is waited for 200 ms at most
    EXPECT_EQ(Opened(), expected);
    EXPECT_FALSE(std::filesystem::exists(m_driveC + "/x"));
}

TEST_F(TableTest, KeysSelectAllDeleteAndSearchWhereTheyMayAndNowhereElse) {
    for (int i = 0; i < 20; ++i) m_dir.MakeFile("C/f" + std::string(i < 10 ? "0" : "") + std::to_string(i));
    Start();
    CListView_Table* drives = TableOf(Children()[0]);
    CListView_Table* files = Open(Files, 0);
    QTest::keyClick(files, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(files->GetSelectedCount(), 20u);
    EXPECT_EQ(files->m_nRow, 19);
    for (CListView_Table* table : {drives, Open(Directories, 0)}) QTest::keyClick(table, Qt::Key_D, Qt::ControlModifier);
    QTest::keyClick(drives, Qt::Key_F, Qt::ControlModifier);
    QTest::keyClick(drives, Qt::Key_Delete);
    EXPECT_TRUE(m_boxes.boxes.empty());
    EXPECT_EQ(Children().size(), 3u);

    // Delete asks with the table hidden; the rows that stay are renumbered, so the next sort
    // compares the right rows (it read other rows' cells: f18, f17 ... f01, f19).
    SortBy(files, 1, false);  // a sort clears the selection
    SelectRow(files, 0);
    bool bHidden = false;
    const MessageBoxHandler previous = SetMessageBoxHandler([&](const MessageBoxRequest&) {
        bHidden = !files->isVisible();
        return IDYES;
    });
    QTest::keyClick(files, Qt::Key_Delete);
    SetMessageBoxHandler(previous);
    EXPECT_TRUE(bHidden);
    EXPECT_EQ(Pane0(), " Line:      1 /     19");
    SortBy(files, 1, true);
    Cells left;
    for (int i = 19; i >= 1; --i) left.push_back((i < 10 ? "f0" : "f") + std::to_string(i));
    EXPECT_EQ(Column(files, 1), left);

    QTest::keyClick(files, Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(ActiveTable()->m_nKind, Doubles);
    WithDialog([](QWidget* dialog) { TypeAndEnter(dialog, "F1"); }, [&] { QTest::keyClick(files, Qt::Key_F, Qt::ControlModifier); });
    EXPECT_EQ(ActiveTable()->GetItemCount(), 10);  // f10 .. f19
}

}  // namespace
