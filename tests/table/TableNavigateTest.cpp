#include "table/TableFixture.h"

#include "platform/DirWalker.h"
#include "platform/Document.h"
#include "platform/MDIChildWnd.h"
#include "platform/MDIFrameWnd.h"
#include "platform/Opener.h"
#include "scan/CountThread.h"
#include "scan/DriveGlobals.h"
#include "table/ListView_Table.h"
#include "table/SortGlobals.h"
#include "table/TableKind.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>

#include <signal.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>

namespace {

using Cells = std::vector<std::string>;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// Brings the table's window to the front and gives it the keyboard focus, as a click on it does.
void Activate(CListView_Table* table) {
    // The offscreen display activates a shown window in its own time.
    if (!AfxGetMainWnd()->isActiveWindow()) {
        ASSERT_TRUE(QTest::qWaitForWindowActive(AfxGetMainWnd()));
    }
    for (QWidget* w = table; w; w = w->parentWidget())
        if (auto* window = qobject_cast<QMdiSubWindow*>(w)) AfxGetMainWnd()->GetMdiArea()->setActiveSubWindow(window);
    table->setFocus();
}

void SelectRow(CListView_Table* table, int nRow) {
    table->SetItemState(nRow, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

std::vector<std::string> Lines(int n) {
    std::vector<std::string> lines;
    for (int i = 0; i < n; ++i) lines.push_back(ResultLine({"/p" + std::to_string(i), "n", "", "1", "", "", ""}));
    return lines;
}

using TableNavigateTest = TableFixture;

// Holds the count's walk where it lists the folder, until opened (or for 20 s at most).
class ListingGate {
public:
    explicit ListingGate(std::string folder) : m_folder(std::move(folder)) {
        m_previous = CDirWalker::SetListingHook([this](std::string_view path) {
            if (path != m_folder) return true;
            std::unique_lock<std::mutex> lock(m_mutex);
            m_bHeld = true;
            m_cv.notify_all();
            m_cv.wait_for(lock, std::chrono::seconds(20), [this] { return m_bOpen; });
            return true;
        });
    }
    ~ListingGate() {
        Open();
        WaitForCount();  // the hook is only changed between walks
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
    bool m_bHeld = false;
    bool m_bOpen = false;
    CDirWalker::ListingHook m_previous;
};

TEST_F(TableNavigateTest, StatusLineFollowsTheCurrentRowAndTheFocus) {
    Start("C=" + m_dir.MakeDir("C"));
    CListView_Table* full = OpenFromLines(Found, Lines(25));
    CListView_Table* empty = OpenFromLines(Found, {});
    ASSERT_TRUE(full && empty);

    Activate(full);
    SelectRow(full, 2);
    EXPECT_EQ(full->m_nRow, 2);
    EXPECT_EQ(Pane0(), " Line:      3 /     25");
    QTest::keyClick(full, Qt::Key_Down);
    EXPECT_EQ(Pane0(), " Line:      4 /     25");

    // Each table shows its own line when it gains the focus; an empty one, line 1 of 0.
    Activate(empty);
    EXPECT_EQ(QApplication::focusWidget(), empty);
    EXPECT_EQ(Pane0(), " Line:      1 /      0");
    Activate(full);
    EXPECT_EQ(Pane0(), " Line:      4 /     25");

    // While a sort runs in a table, its focus gain leaves the pane alone.
    Activate(empty);
    empty->m_bIdle = false;
    AfxGetMainWnd()->SetMessageText(" sort by Name ...");
    Activate(full);
    Activate(empty);
    EXPECT_EQ(Pane0(), " Line:      4 /     25");
    empty->m_bIdle = true;

    // Row changes while the table is hidden (fill, sort, delete) are not the user's.
    full->hide();
    SelectRow(full, 10);
    EXPECT_EQ(full->m_nRow, 3);
    full->show();
}

TEST_F(TableNavigateTest, CountsAppearOnceTheCountHasEndedAlsoInASortedTable) {
    const std::string driveC = m_dir.MakeDir("C");
    m_dir.MakeFile("C/a/x");
    m_dir.MakeFile("C/a/y");
    const std::string driveD = m_dir.MakeDir("D");
    const std::string driveE = m_dir.MakeDir("E");
    m_dir.MakeFile("E/p/q/1");
    m_dir.MakeFile("E/p/2");
    m_dir.MakeFile("E/3");
    Start("C=" + driveC + ",D=" + driveD + ",E=" + driveE);
    WaitForCount();
    CListView_Table* table = FirstTable();
    ASSERT_NE(table, nullptr);
    Activate(table);
    // Whatever an early row change wrote goes: only writes after this point count.
    for (int r = 0; r < table->GetItemCount(); ++r) table->SetItemText(r, 1, ""), table->SetItemText(r, 2, "");

    HeldCount count;
    SortBy(table, 0, true);
    ASSERT_EQ(Column(table, 0), (Cells{"   E", "   D", "   C"}));
    SelectRow(table, 1);
    EXPECT_EQ(Column(table, 1), Cells(3, ""));
    EXPECT_EQ(Column(table, 2), Cells(3, ""));

    count.Release();
    count.WaitUntilCleared();
    SelectRow(table, 0);
    EXPECT_EQ(Column(table, 1), (Cells{"3", "0", "2"}));  // files of E, D, C
    EXPECT_EQ(Column(table, 2), (Cells{"2", "0", "1"}));  // directories
    EXPECT_EQ(table->m_nRow, 0);
}

TEST_F(TableNavigateTest, AClickThatSelectsTheCurrentRowShowsTheCounts) {
    // Only a move of the current row reached the item-change handling: with one drive, row 0 is
    // current from the start, and a click on it never showed the counts.
    m_dir.MakeFile("C/a/x");
    Start("C=" + m_dir.Path() + "/C");
    CListView_Table* table = FirstTable();
    ASSERT_NE(table, nullptr);
    HeldCount count;
    Activate(table);
    ASSERT_EQ(table->currentIndex().row(), 0);
    ASSERT_EQ(table->GetSelectedCount(), 0u);
    table->SetItemText(0, 1, "");
    table->SetItemText(0, 2, "");
    count.Release();
    count.WaitUntilCleared();
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(table->model()->index(0, 1)).center());
    EXPECT_EQ(Column(table, 1), Cells{"1"});
    EXPECT_EQ(Column(table, 2), Cells{"1"});
}

TEST_F(TableNavigateTest, DriveTablesOpenWhileTheCountRunsAndItsCountsShowAfterIt) {
    // Every drive table waited for the whole count of every drive (21.6 s with five drives on /),
    // though no walk changes the current directory. Here the count is held on D: while C: opens.
    m_dir.MakeFile("C/a/x");
    m_dir.MakeFile("C/y");
    m_dir.MakeFile("D/z");
    ListingGate gate(m_dir.Path() + "/D");
    Start("C=" + m_dir.Path() + "/C,D=" + m_dir.Path() + "/D");
    // Opened at once: the scans run beside the count's walk of C:, nothing orders the two.
    CListView_Table* table = FirstTable();
    ASSERT_NE(table, nullptr);
    table->OpenCurrentRow(0);
    ASSERT_TRUE(gate.WaitUntilHeld());
    EXPECT_NE(g_pCountThread.load(), nullptr) << "the drive's tables opened only after the count";
    EXPECT_EQ(Titles(), (Cells{"All Drives", "C: Directories", "C: Files"}));
    CListView_Table* active = dynamic_cast<CListView_Table*>(AfxGetMainWnd()->GetActiveView());
    ASSERT_NE(active, nullptr);
    EXPECT_EQ(active->GetItemCount(), 2);

    gate.Open();
    WaitForCount();
    Activate(table);
    SelectRow(table, 1);
    EXPECT_EQ(Column(table, 1), (Cells{"2", "1"}));
    EXPECT_EQ(Column(table, 2), (Cells{"1", "0"}));
}

TEST_F(TableNavigateTest, EnterOnADriveRowOpensItsDirectoriesThenItsFiles) {
    m_dir.MakeFile("D/dir/file");
    Start("C=" + m_dir.MakeDir("C") + ",D=" + m_dir.Path() + "/D,E=" + m_dir.MakeDir("E"));
    CListView_Table* table = FirstTable();
    ASSERT_NE(table, nullptr);
    Activate(table);
    SelectRow(table, 1);
    QTest::keyClick(table, Qt::Key_Return);
    EXPECT_EQ(Titles(), (Cells{"All Drives", "D: Directories", "D: Files"}));
    CListView_Table* active = dynamic_cast<CListView_Table*>(AfxGetMainWnd()->GetActiveView());
    ASSERT_NE(active, nullptr);
    EXPECT_EQ(active->GetDocument()->GetTitle(), "D: Files");
    EXPECT_EQ(active->GetItemCount(), 1);
    EXPECT_EQ(g_nNextTable, Files);

    // A sorted table opens the drive its row shows.
    Activate(table);
    SortBy(table, 0, true);
    table->OpenCurrentRow(0);
    EXPECT_EQ(Titles(), (Cells{"All Drives (Drive -> ZA)", "D: Directories", "D: Files", "E: Directories", "E: Files"}));
}

TEST_F(TableNavigateTest, NoRowOpensNothing) {
    const std::string script = m_dir.MakeFile("opener", "#!/bin/sh\nprintf x >> \"$0.calls\"\n");
    chmod(script.c_str(), 0755);
    ScopedEnv opener("ZORBIN_OPENER", script);
    Start("C=" + m_dir.MakeDir("C"));
    CListView_Table* drives = FirstTable();
    CListView_Table* found = OpenFromLines(Found, {});
    ASSERT_TRUE(drives && found);
    found->OpenCurrentRow(found->m_nRow);  // an empty table: row 0 is none
    drives->OpenCurrentRow(5);             // past the last drive
    drives->OpenCurrentRow(-1);
    drives->OnDblClk(-1);  // a double-click below the last row
    EXPECT_EQ(Titles(), (Cells{"All Drives", "C: Found 0 lines like \"\""}));
    EXPECT_FALSE(std::filesystem::exists(script + ".calls"));
}

TEST_F(TableNavigateTest, OpenerGetsThePathByteForByteAndNoShellRunsIt) {
    // The path went into "explorer.exe %s" for the command interpreter: names with quotes,
    // blanks or "$(...)" were cut up or ran commands. The opener now gets the path as one argument.
    const std::string script = m_dir.MakeFile("opener", "#!/bin/sh\nprintf '%s' \"$#\" > \"$0.argc\"\n"
                                                        "printf '%s' \"$1\" > \"$0.arg\"\n");
    chmod(script.c_str(), 0755);
    ScopedEnv opener("ZORBIN_OPENER", script);
    const std::string driveC = m_dir.MakeDir("C");
    const Cells names = {"$(touch x)", "a;b", "-x", "q\"uo'te", "sp ace", "new\nline", "`touch x`"};
    for (const std::string& name : names) m_dir.MakeFile("C/" + name, "1");
    Start("C=" + driveC);
    const bool bHadX = std::filesystem::exists("x");

    CListView_Table* files = Open(Files, 0);
    ASSERT_NE(files, nullptr);
    ASSERT_EQ(files->GetItemCount(), static_cast<int>(names.size()));
    for (int r = 0; r < files->GetItemCount(); ++r) {
        std::filesystem::remove(script + ".arg");
        files->OpenCurrentRow(r);
        const std::string path = driveC + "/" + std::string(files->GetItemText(r, 1));
        EXPECT_EQ(files->GetItemText(r, 0), path);
        EXPECT_EQ(ReadFile(script + ".arg"), path);
        EXPECT_EQ(ReadFile(script + ".argc"), "1");
    }
    EXPECT_EQ(std::filesystem::exists("x"), bHadX);
    EXPECT_FALSE(std::filesystem::exists(driveC + "/x"));

    // Result-line tables: the blanks that each hand-over puts before every cell are not part of
    // the path (a Found table made from a Found table has two: it handed " /path" on).
    CListView_Table* found = OpenFromLines(Found, {ResultLine({driveC + "/sp ace", "sp ace", "", "1", "", "", ""}),
                                                    ResultLine({" " + driveC + "/-x", " -x", " ", " 1", " ", " ", " "})});
    ASSERT_NE(found, nullptr);
    found->OpenCurrentRow(0);
    EXPECT_EQ(ReadFile(script + ".arg"), driveC + "/sp ace");
    std::filesystem::remove(script + ".arg");
    found->OpenCurrentRow(1);
    EXPECT_EQ(ReadFile(script + ".arg"), driveC + "/-x");
    OpenWithDesktop("-x");
    EXPECT_EQ(ReadFile(script + ".arg"), "-x");
}

TEST_F(TableNavigateTest, DoubleClickOpensTheRowUnderThePointer) {
    const std::string script = m_dir.MakeFile("opener", "#!/bin/sh\nprintf '%s' \"$1\" > \"$0.arg\"\n");
    chmod(script.c_str(), 0755);
    ScopedEnv opener("ZORBIN_OPENER", script);
    m_dir.MakeFile("C/one");
    m_dir.MakeFile("C/two");
    Start("C=" + m_dir.Path() + "/C");
    CListView_Table* files = Open(Files, 0);
    ASSERT_NE(files, nullptr);
    Activate(files);
    ASSERT_EQ(files->GetItemCount(), 2);
    const QRect row1 = files->visualRect(files->model()->index(1, 1));
    QTest::mouseDClick(files->viewport(), Qt::LeftButton, {}, row1.center());
    EXPECT_EQ(files->m_nRow, 1);
    EXPECT_EQ(ReadFile(script + ".arg"), files->GetItemText(1, 0));
}

TEST_F(TableNavigateTest, AnOpenerThatRunsOnDoesNotHoldTheWindow) {
    // The window waited for the opener to end: where xdg-open runs the handler itself, it froze
    // until that program ended. It waits a moment now, and the opener is reaped when it ends.
    const std::string script = m_dir.MakeFile("opener", "#!/bin/sh\nprintf '%s' \"$1\" > \"$0.arg\"\n"
                                                        "echo $$ > \"$0.pid\"\nexec sleep 5\n");
    chmod(script.c_str(), 0755);
    const std::string path = "/x/sp ace;\n$(y)";
    for (const std::string& program : {script, m_dir.Path() + "/no-such-opener"}) {
        ScopedEnv opener("ZORBIN_OPENER", program);
        const auto start = std::chrono::steady_clock::now();
        OpenWithDesktop(path);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)) << program;
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return ReadFile(script + ".pid").ends_with('\n'); }, 5000));
    EXPECT_EQ(ReadFile(script + ".arg"), path);
    const pid_t pid = std::stoi(ReadFile(script + ".pid"));
    ASSERT_EQ(kill(pid, 0), 0) << "the opener should still run";
    kill(pid, SIGTERM);
    // Reaped, not left a zombie (which kill would still find).
    EXPECT_TRUE(QTest::qWaitFor([pid] { return kill(pid, 0) != 0 && errno == ESRCH; }, 3000));
}

}  // namespace
