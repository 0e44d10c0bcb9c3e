#include "table/TableFixture.h"

#include "app/ZorbinApp.h"
#include "commands/ResultLines.h"
#include "platform/Document.h"
#include "platform/MDIChildWnd.h"
#include "platform/MDIFrameWnd.h"
#include "scan/CountThread.h"
#include "scan/DriveGlobals.h"
#include "table/ListView_Table.h"
#include "table/TableKind.h"

#include <QMdiArea>
#include <QMdiSubWindow>

#include <sys/stat.h>
#include <sys/statvfs.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace {

struct ColumnSpec {
    const char* name;
    int width;
    int format;
};

void ExpectColumns(const CListView_Table* table, const std::vector<ColumnSpec>& specs) {
    ASSERT_EQ(table->GetColumnCount(), static_cast<int>(specs.size()));
    for (int c = 0; c < static_cast<int>(specs.size()); ++c) {
        EXPECT_EQ(table->GetColumnHeading(c), specs[c].name);
        EXPECT_EQ(table->GetColumnWidth(c), specs[c].width) << specs[c].name;
        EXPECT_EQ(table->GetColumnFormat(c), specs[c].format) << specs[c].name;
    }
}

void ExpectColumnArraysEmpty(const CListView_Table* table) {
    for (int k = 0; k < 15; ++k) EXPECT_TRUE(table->m_aColumns[k].IsEmpty()) << "column array " << k;
}

// Pre-order, each folder's entries in the order of its own listing: the order of a walk.
void Walk(const std::string& dir, std::vector<std::string>& files, std::vector<std::string>& dirs) {
    for (const std::string& name : ListingOrder(dir)) {
        const std::string path = dir + "/" + name;
        if (std::filesystem::is_directory(std::filesystem::symlink_status(path))) {
            dirs.push_back(path);
            Walk(path, files, dirs);
        } else {
            files.push_back(path);
        }
    }
}

// The positions i * 100 / n of rows 0 .. n - 1, each once.
std::vector<int> DesignedPositions(int n) {
    std::vector<int> positions;
    for (int i = 0; i < n; ++i)
        if (positions.empty() || positions.back() != i * 100 / n) positions.push_back(i * 100 / n);
    return positions;
}

std::string Format(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// A folder of the test's own on the memory file system, so that two drives report different space.
class ShmDir {
public:
    ShmDir() {
        char pattern[] = "/dev/shm/zorbin-test-XXXXXX";
        if (mkdtemp(pattern)) m_path = pattern;
    }
    ~ShmDir() {
        if (!m_path.empty()) std::filesystem::remove_all(m_path);
    }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

using TableFillTest = TableFixture;

TEST_F(TableFillTest, StartUpShowsOneAllDrivesTableWithEachDrivesOwnSpace) {
    ShmDir shm;
    const std::string other = shm.Path().empty() ? m_dir.MakeDir("D") : shm.Path();
    const std::string missing = m_dir.Path() + "/no-such-folder";
    const std::string driveC = m_dir.MakeDir("C");
    m_dir.MakeFile("C/a/one", "1");
    Start("C=" + driveC + ",D=" + other + ",E=" + missing);

    const auto windows = AfxGetMainWnd()->GetMdiArea()->subWindowList();
    ASSERT_EQ(windows.size(), 1);
    EXPECT_EQ(windows.front()->size(), QSize(460, 294));
    CListView_Table* table = FirstTable();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->GetDocument()->GetTitle(), "All Drives");
    EXPECT_EQ(table->m_strTitle, "All Drives");
    ExpectColumns(table, {{"Drive", 40, LVCFMT_CENTER},
                          {"Files", 70, LVCFMT_RIGHT},
                          {"Dirs", 70, LVCFMT_RIGHT},
                          {"Total bytes", 100, LVCFMT_RIGHT},
                          {"Avail. bytes", 100, LVCFMT_RIGHT},
                          {"Free", 50, LVCFMT_CENTER}});
    EXPECT_EQ(Column(table, 0), (std::vector<std::string>{"   C", "   D", "   E"}));
    ExpectItemDataIsRowNumber(table);
    ExpectColumnArraysEmpty(table);

    // Each row shows the space of its own folder. Others may write to the same file systems
    // meanwhile, so the available bytes are held to a margin, the total exactly.
    const std::string folders[] = {driveC, other};
    for (int r = 0; r < 2; ++r) {
        struct statvfs fs;
        ASSERT_EQ(statvfs(folders[r].c_str(), &fs), 0);
        const double total = static_cast<double>(fs.f_blocks) * fs.f_frsize;
        const double avail = static_cast<double>(fs.f_bavail) * fs.f_frsize;
        EXPECT_EQ(table->GetItemText(r, 3), Format("%.0f", total)) << folders[r];
        const double shown = std::atof(std::string(table->GetItemText(r, 4)).c_str());
        EXPECT_NEAR(shown, avail, 256.0 * 1024 * 1024) << folders[r];
        EXPECT_EQ(table->GetItemText(r, 5), Format("%2.0f %%", shown * 100 / total));
        EXPECT_EQ(table->GetCellToolTip(r, 0), folders[r]);
    }
    // A drive whose folder cannot be asked shows its letter only.
    for (int c = 1; c < 6; ++c) EXPECT_EQ(table->GetItemText(2, c), "") << "column " << c;
}

TEST_F(TableFillTest, FreeCellOfADriveWithoutBytesStaysEmpty) {
    // The share of free bytes was divided by the total even when a file system reported 0 bytes,
    // and showed the text of a division by zero. Such a drive now shows an empty Free cell.
    EXPECT_EQ(CListView_Table::FormatFree(0, 0), "");
    EXPECT_EQ(CListView_Table::FormatFree(4096, 0), "");
    // The cells the design gives: 5.4 % and everything available.
    EXPECT_EQ(CListView_Table::FormatFree(54, 1000), " 5 %");
    EXPECT_EQ(CListView_Table::FormatFree(1000, 1000), "100 %");
    EXPECT_EQ(CListView_Table::FormatFree(0, 1000), " 0 %");
}

TEST_F(TableFillTest, FilesAndDirectoriesTablesShowTheScanInOrder) {
    const std::string driveC = m_dir.MakeDir("C");
    const std::vector<std::pair<std::string, std::string>> files = {
        {"my.dir/README", "readme"},  {"my.dir/sub/deep.TXT", "0123456789"}, {"z.txt", ""},
        {".profile", "x"},            {"archive.tar.gz", "12345"},          {"b/c/d/e", "ee"},
        {"b/name with blank.Doc", "1234567"}};
    for (const auto& [path, bytes] : files) m_dir.MakeFile("C/" + path, bytes);
    m_dir.MakeDir("C/empty");
    Start("C=" + driveC);
    std::vector<std::string> expectedFiles, expectedDirs;
    Walk(driveC, expectedFiles, expectedDirs);

    ProgressRecorder progress;
    CListView_Table* table = Open(Files, 0);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->GetDocument()->GetTitle(), "C: Files");
    ExpectColumns(table, {{"Path", 500, LVCFMT_LEFT},
                          {"Name", 150, LVCFMT_LEFT},
                          {"Ext", 50, LVCFMT_CENTER},
                          {"Length", 80, LVCFMT_RIGHT},
                          {"Created", 120, LVCFMT_CENTER},
                          {"Modified", 120, LVCFMT_CENTER},
                          {"Accessed", 120, LVCFMT_CENTER}});
    EXPECT_EQ(Column(table, 0), expectedFiles);
    ExpectItemDataIsRowNumber(table);
    ExpectColumnArraysEmpty(table);
    for (int r = 0; r < table->GetItemCount(); ++r) {
        const std::filesystem::path path(expectedFiles[r]);
        EXPECT_EQ(table->GetItemText(r, 1), path.filename().string());
        EXPECT_EQ(table->GetItemText(r, 3), std::to_string(std::filesystem::file_size(path)));
        EXPECT_EQ(table->GetItemText(r, 5).size(), 19u) << "Modified of " << path;
    }
    // The status text, then the designed positions, then the bar goes.
    ASSERT_FALSE(progress.steps.empty());
    EXPECT_EQ(progress.steps[0].pane, " open C: Files ...");
    EXPECT_EQ(progress.Positions(1), DesignedPositions(static_cast<int>(expectedFiles.size())));
    EXPECT_FALSE(table->m_scanner.m_wndProgress.HasWindow());

    progress.steps.clear();
    table = Open(Directories, 0);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->GetDocument()->GetTitle(), "C: Directories");
    ExpectColumns(table, {{"Path", 500, LVCFMT_LEFT},
                          {"Name", 150, LVCFMT_LEFT},
                          {"Ext", 0, LVCFMT_CENTER},
                          {"Length", 0, LVCFMT_RIGHT},
                          {"Created", 120, LVCFMT_CENTER},
                          {"Modified", 120, LVCFMT_CENTER},
                          {"Accessed", 120, LVCFMT_CENTER}});
    EXPECT_EQ(Column(table, 0), expectedDirs);
    ExpectItemDataIsRowNumber(table);
    ExpectColumnArraysEmpty(table);
    for (int r = 0; r < table->GetItemCount(); ++r) {
        EXPECT_EQ(table->GetItemText(r, 1), std::filesystem::path(expectedDirs[r]).filename().string());
        for (int c : {2, 3, 5, 6}) EXPECT_EQ(table->GetItemText(r, c), "") << "row " << r << " column " << c;
    }
    ASSERT_FALSE(progress.steps.empty());
    EXPECT_EQ(progress.steps[0].pane, " open C: Directories ...");
    EXPECT_EQ(progress.Positions(1), DesignedPositions(static_cast<int>(expectedDirs.size())));
}

TEST_F(TableFillTest, AllDrivesTableWaitsForTheRunningCountBeforeItRebuildsTheDriveList) {
    const std::string driveC = m_dir.MakeDir("C");
    const std::string driveD = m_dir.MakeDir("D");
    Start("C=" + driveC);
    WaitForCount();
    // The running count reads g_szDrives: the list changes only after it.
    HeldCount count(300);
    ScopedEnv drives("ZORBIN_DRIVES", "C=" + driveC + ",D=" + driveD);
    std::vector<bool> endedAtStep;
    const auto previous = CProgressCtrl::SetPosObserver(
        [&](const CProgressCtrl*, int) { endedAtStep.push_back(count.bReleased.load()); });
    CListView_Table* table = Open(AllDrives, 0);
    CProgressCtrl::SetPosObserver(previous);
    ASSERT_NE(table, nullptr);
    ASSERT_FALSE(endedAtStep.empty());
    EXPECT_TRUE(endedAtStep[0]) << "the All Drives fill began while the count ran";
    EXPECT_EQ(Column(table, 0), (std::vector<std::string>{"   C", "   D"}));
}

TEST_F(TableFillTest, DoublesAndFoundTablesFillFromResultLines) {
    const std::string driveC = m_dir.MakeDir("C");
    Start("C=" + driveC);
    g_nDrive = 0;
    const std::string plain = ResultLine({"/x/a.txt", "a.txt", "txt", "10", "01/01/2024 10:00:00",
                                          "02/01/2024 10:00:00", "03/01/2024 10:00:00"});
    const std::string semicolons = ResultLine({"/x/a;b.txt", "a;b.txt", "txt", "10", "01/01/2024 10:00:00",
                                               "02/01/2024 10:00:00", "03/01/2024 10:00:00"});
    const std::string allEmpty = ResultLine({"", "", "", "", "", "", ""});
    g_strFind = "a;b";

    CListView_Table* found = OpenFromLines(Found, {plain, semicolons, allEmpty, ""});
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->GetDocument()->GetTitle(), "C: Found 4 lines like \"a;b\"");
    EXPECT_EQ(g_aResultLines.GetSize(), 0u);
    ExpectItemDataIsRowNumber(found);
    ASSERT_EQ(found->GetItemCount(), 4);
    using Cells = std::vector<std::string>;
    auto row = [&](int r) {
        Cells cells;
        for (int c = 0; c < 7; ++c) cells.emplace_back(found->GetItemText(r, c));
        return cells;
    };
    EXPECT_EQ(row(0), (Cells{" /x/a.txt", " a.txt", " txt", " 10", " 01/01/2024 10:00:00", " 02/01/2024 10:00:00",
                             " 03/01/2024 10:00:00"}));
    // Each ";" inside a value cuts it and moves the later cells right; what passes column 6 is lost.
    EXPECT_EQ(row(1), (Cells{" /x/a", "b.txt", " a", "b.txt", " txt", " 10", " 01/01/2024 10:00:00"}));
    EXPECT_EQ(row(2), Cells(7, " "));
    EXPECT_EQ(row(3), Cells(7, ""));
    const int widths[] = {500, 150, 50, 80, 120, 120, 120};
    for (int c = 0; c < 7; ++c) EXPECT_EQ(found->GetColumnWidth(c), widths[c]);

    // Enough lines for every position from 0 to 99, each set once.
    std::vector<std::string> lines(250, plain);
    ProgressRecorder progress;
    CListView_Table* doubles = OpenFromLines(Doubles, lines);
    ASSERT_NE(doubles, nullptr);
    EXPECT_EQ(doubles->GetDocument()->GetTitle(), "C: Doubles");
    EXPECT_EQ(doubles->GetItemCount(), 250);
    EXPECT_EQ(g_aResultLines.GetSize(), 0u);
    ASSERT_FALSE(progress.steps.empty());
    EXPECT_EQ(progress.steps[0].pane, " open C: Doubles ...");
    EXPECT_EQ(progress.Positions(1), DesignedPositions(250));
    ExpectColumnArraysEmpty(doubles);

    // No lines: an empty table, and the title counts 0.
    g_strFind = "nothing";
    CListView_Table* none = OpenFromLines(Found, {});
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(none->GetDocument()->GetTitle(), "C: Found 0 lines like \"nothing\"");
    EXPECT_EQ(none->GetItemCount(), 0);
}

TEST_F(TableFillTest, ClosingATableClearsTheStatusMessage) {
    const std::string driveC = m_dir.MakeDir("C");
    m_dir.MakeFile("C/f");
    Start("C=" + driveC);
    CListView_Table* table = Open(Files, 0);
    ASSERT_NE(table, nullptr);
    AfxGetMainWnd()->SetMessageText(" Line:      1 /      1");
    QMdiSubWindow* window = AfxGetMainWnd()->GetMdiArea()->subWindowList(QMdiArea::CreationOrder).back();
    delete window;
    EXPECT_EQ(Pane0(), "");
    EXPECT_EQ(AfxGetMainWnd()->GetMdiArea()->subWindowList().size(), 1);  // All Drives stays
}

}  // namespace
