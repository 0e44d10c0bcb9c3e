#include "WindowFixture.h"

#include "app/MainFrame.h"
#include "app/Resource.h"
#include "commands/ResultLines.h"
#include "framework/Document.h"
#include "table/ListView_Table.h"
#include "table/TableKind.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <tuple>

namespace fs = std::filesystem;

namespace {

using CommandsTest = WindowFixture;

std::string TitleOf(const CListView_Table* table) { return table->GetDocument()->GetTitle(); }

// Selects exactly the rows whose path, without the blanks of a hand-over, is one of the paths.
void Select(CListView_Table* table, const std::vector<std::string>& paths) {
    table->SetItemState(-1, 0, LVIS_SELECTED);
    for (int r = 0; r < table->GetItemCount(); ++r) {
        const std::string path(table->GetItemText(r, 0));
        if (std::count(paths.begin(), paths.end(), path.substr(path.find('/'))))
            table->SetItemState(r, LVIS_SELECTED, LVIS_SELECTED);
    }
}

// Every entry below a folder, by relative path: a file's bytes, "/" for a folder.
std::map<std::string, std::string> Tree(const std::string& root) {
    std::map<std::string, std::string> tree;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        std::ifstream in(entry.path(), std::ios::binary);
        tree[entry.path().lexically_relative(root).string()] =
            entry.is_directory() ? "/" : std::string(std::istreambuf_iterator<char>(in), {});
    }
    return tree;
}

}  // namespace

// Drive C with two files "x", its All Drives table, an empty Found table sorted by Name, and
// C's Files table; D's table opened last, so a search in C's table must still make C's table.
class SearchTest : public WindowFixture {
protected:
    void OpenTables() {
        for (const char* file : {"C/1/x", "C/2/x"}) m_dir.MakeFile(file, "x");
        Start();
        drives = ActiveTable();
        found = OpenFromLines(Found, {});
        SortBy(found, 1, false);  // a sort by Name does not make a Found table a Files table
        files = Open(Files, 0);
        Open(Files, 1);
        g_aResultLines.Add("left alone");
        g_strFind = "before";
    }
    void Find(const std::function<void(QWidget*)>& way) {
        WithDialog(way, [&] { QTest::keyClick(files, Qt::Key_F, Qt::ControlModifier); });
    }
    // Runs the command and expects its box (none for an empty text), no new window, and the
    // results and the search text as they were.
    void ExpectLeftAlone(const std::function<void()>& command, const std::string& message) {
        m_boxes.boxes.clear();
        const std::size_t windows = Children().size();
        command();
        std::vector<std::string> shown;
        for (const MessageBoxRequest& box : m_boxes.boxes)
            shown.push_back((box.type == MB_ICONINFORMATION ? "" : "(not an information box) ") + box.text);
        EXPECT_EQ(shown, message.empty() ? std::vector<std::string>{} : std::vector<std::string>{message});
        EXPECT_EQ(Children().size(), windows) << message;
        EXPECT_EQ(g_aResultLines.GetSize(), 1u) << message;
        EXPECT_EQ(g_strFind, "before") << message;
    }
    CListView_Table* drives = nullptr;
    CListView_Table* found = nullptr;
    CListView_Table* files = nullptr;
};

TEST_F(SearchTest, SearchesRefuseOutsideTheirTablesWithTheReason) {
    OpenTables();
    const std::string unsorted = "At first please sort out the table by \"Name\"";
    ExpectLeftAlone([&] { drives->FindByName(); }, "Find works inside other tables, not in the \"All Drives\"");
    ExpectLeftAlone([&] { found->FindDoubles(); },
                    "Find doubles works only in \"Files\" table, sorted by \"Name of File\"");
    ExpectLeftAlone([&] { files->FindDoubles(); }, unsorted);
    ExpectLeftAlone([&] { SortBy(files, 3, false), files->FindDoubles(); }, unsorted);
}

TEST_F(SearchTest, ACancelledFindLeavesTheResultsAndTheSearchText) {
    OpenTables();
    ExpectLeftAlone(
        [&] { Find([](QWidget* d) { QTest::mouseClick(d->findChild<QPushButton*>("IDCANCEL"), Qt::LeftButton); }); },
        "");
    ExpectLeftAlone([&] { Find([](QWidget* d) { QTest::keyClicks(d->focusWidget(), "typed\x1b"); }); },
                    "");  // then Escape
    ExpectLeftAlone([&] { Find([](QWidget* d) { d->close(); }); }, "");
}

TEST_F(SearchTest, SearchesMakeTheTableOfTheDriveTheyStartedIn) {
    OpenTables();
    g_aResultLines.RemoveAll();
    Find([](QWidget* dialog) { TypeAndEnter(dialog, "X"); });
    EXPECT_EQ(TitleOf(ActiveTable()), "C: Found 2 lines like \"x\"");
    Open(Files, 1);
    SortBy(files, 1, true);
    files->FindDoubles();
    EXPECT_EQ(TitleOf(ActiveTable()), "C: Doubles");
}

TEST_F(CommandsTest, DeleteAsksFirstAndANoLeavesEveryEntry) {
    m_dir.MakeFile("C/other/inner/y", "y");
    const std::string a = m_dir.MakeFile("C/a.txt", "a"), b = m_dir.MakeFile("C/b.txt", "b");
    const std::string d1 = m_dir.MakeDir("C/d1"), d2 = m_dir.MakeDir("C/d2");
    Start();
    const auto before = Tree(m_dir.Path());
    CListView_Table* files = Open(Files, 0);
    CListView_Table* dirs = Open(Directories, 0);
    CListView_Table* foundDirs = OpenFromLines(Found, {ResultLine({d1, "d1", "", "", "", "", ""})});
    const std::string plain = std::to_string(MB_OK), question = std::to_string(MB_YESNO | MB_ICONQUESTION);
    const std::tuple<CListView_Table*, std::vector<std::string>, std::string> cases[] = {
        {files, {}, plain + "Please select one or more files for delete."},
        {dirs, {}, plain + "Please select one or more directories for delete."},
        {files, {b}, question + "Delete a file\n\n" + b + "\n\nfrom disk?"},
        {files, {a, b}, question + "Delete those 2 files from disk?"},
        {dirs, {d2}, question + "Delete a directory\n\n" + d2 + "\n\nfrom disk?"},
        {dirs, {d1, d2}, question + "Delete those 2 directories from disk?"},
        // Made from a Directories table, a Found table speaks of files; its path keeps the blank.
        {foundDirs, {d1}, question + "Delete a file\n\n " + d1 + "\n\nfrom disk?"},
    };
    std::vector<std::string> expected, asked;
    for (const auto& [table, selected, box] : cases) {
        Select(table, selected);
        m_boxes.answers = {IDNO};
        QTest::keyClick(table, Qt::Key_Delete);
        expected.push_back(box);
    }
    for (const MessageBoxRequest& box : m_boxes.boxes) asked.push_back(std::to_string(box.type) + box.text);
    EXPECT_EQ(asked, expected);
    EXPECT_TRUE(!m_boxes.boxes.empty() && m_boxes.boxes[0].caption.empty() && !m_boxes.boxes[0].owner)
        << "the plain box has neither";
    EXPECT_EQ(Tree(m_dir.Path()), before);
}

TEST_F(CommandsTest, DeleteRefusesARowWhoseEntryChangedWithTheReasonAndMovesTheOthers) {
    // Faults mended: a Files row whose path had become a directory sent the whole directory to the
    // trash. (A folder on the path swapped for a link is refused where the trash is tested.)
    const std::string a = m_dir.MakeFile("C/a.txt", "a");
    m_dir.MakeFile("C/b.txt", "b");
    const std::string became = m_dir.MakeFile("C/became", "f"), changed = m_dir.MakeFile("C/changed", "c");
    const std::string longer = m_dir.MakeFile("C/longer", "l");
    Start();
    CListView_Table* files = Open(Files, 0);
    fs::remove(became);
    m_dir.MakeFile("C/became/inner", "i");
    fs::last_write_time(changed, fs::last_write_time(changed) + std::chrono::hours(1));
    const auto modified = fs::last_write_time(longer);
    m_dir.MakeFile("C/longer", "longer");
    fs::last_write_time(longer, modified);  // only its length tells
    const std::map<std::string, std::string> reasons = {
        {became, "it is now a directory"},
        {changed, "its length or times changed since the table was made"},
        {longer, "its length or times changed since the table was made"}};
    Select(files, {a, became, changed, longer});
    std::vector<std::string> left = Column(files, 0);
    left.erase(std::find(left.begin(), left.end(), a));
    QTest::keyClick(files, Qt::Key_Delete);
    std::string message = "These entries were not moved to the trash:\n";
    for (const std::string& path : left)
        if (reasons.count(path)) message += "\n" + path + "\n    " + reasons.at(path);
    EXPECT_EQ(m_boxes.boxes.size(), 2u) << "the question and the failures";
    EXPECT_EQ(m_boxes.boxes.back().text, message);
    EXPECT_EQ(Column(files, 0), left);
    EXPECT_EQ(Tree(m_dataHome + "/Trash/files"), (std::map<std::string, std::string>{{"a.txt", "a"}}));
}

TEST_F(CommandsTest, DeleteOfTheCurrentRowLeavesARowThatStayedCurrent) {
    const std::string a = m_dir.MakeFile("C/a.txt", "a");
    m_dir.MakeFile("C/b.txt", "b");
    Start();
    CListView_Table* files = Open(Files, 0);
    Select(files, {a});
    for (int r = 0; r < files->GetItemCount(); ++r)
        if (files->GetItemText(r, 0) == a) files->SetItemState(r, LVIS_FOCUSED, LVIS_FOCUSED);
    QTest::keyClick(files, Qt::Key_Delete);
    // A row still there is current, and Enter opens its entry.
    ASSERT_TRUE(files->m_nRow >= 0 && files->m_nRow < files->GetItemCount()) << files->m_nRow;
    QTest::keyClick(files, Qt::Key_Return);
    (void)QTest::qWaitFor([&] { return !Opened().empty(); }, 5000);
    EXPECT_EQ(Opened(), std::string(files->GetItemText(files->m_nRow, 0)) + "\n");
}

TEST_F(CommandsTest, DeleteOfEveryDirectoryLeavesTheTrashOnTheDriveAndWhatHoldsIt) {
    // Fault mended: with the trash on the drive, Ctrl+A and Delete in the Directories table moved
    // Trash/info into Trash/files, orphaning every record. The trash folders, what lies inside them
    // and what holds them stay (each reason is pinned where the trash is tested).
    ScopedEnv data("XDG_DATA_HOME", m_driveC + "/home/share");
    m_dir.MakeFile("C/home/share/Trash/files/old/x", "x");
    m_dir.MakeFile("C/home/share/Trash/info/old.trashinfo", "[Trash Info]\nPath=/old\n");
    m_dir.MakeFile("C/other/inner/y", "y");
    m_dir.MakeDir("C/d1");
    Start();
    const auto before = Tree(m_driveC + "/home");
    CListView_Table* dirs = Open(Directories, 0);
    QTest::keyClick(dirs, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(dirs, Qt::Key_Delete);
    // Left: home, share, Trash, files, info and old; other/inner went with other.
    EXPECT_EQ(dirs->GetItemCount(), 6);
    auto after = Tree(m_driveC + "/home");  // and what went into the trash
    for (const auto& [path, bytes] : before) EXPECT_EQ(after[path], bytes) << path;
}

TEST_F(CommandsTest, DeleteTakesEachRowToItsOwnDriveWhenOneDriveLiesInsideAnother) {
    // Fault mended: the real path of the last drive's folder was kept for the next row of another
    // drive, which then named the entry of the same name in the first drive.
    MapDrives("C=" + m_driveC + ",D=" + m_driveC + "/inner");
    const std::string outer = m_dir.MakeFile("C/x", "outer"), inner = m_dir.MakeFile("C/inner/x", "inner!");
    Start();
    CListView_Table* files = Open(Files, 0);
    Select(files, {outer, inner});
    QTest::keyClick(files, Qt::Key_Delete);
    EXPECT_EQ(m_boxes.boxes.size(), 1u) << m_boxes.boxes.back().text;
    std::vector<std::string> moved;
    for (const auto& [name, bytes] : Tree(m_dataHome + "/Trash/files")) moved.push_back(bytes);
    std::sort(moved.begin(), moved.end());
    EXPECT_EQ(moved, (std::vector<std::string>{"inner!", "outer"}));
}

TEST_F(CommandsTest, DeleteNamesAtMost25RefusedEntriesAndCountsTheRest) {
    std::vector<std::string> lines;
    for (int i = 10; i < 37; ++i) {
        const std::string name = "gone" + std::to_string(i);
        lines.push_back(ResultLine({m_driveC + "/" + name, name, "1", "", "", "", ""}));
    }
    Start();
    CListView_Table* found = OpenFromLines(Found, lines);
    const std::vector<std::string> rows = Column(found, 0);
    QTest::keyClick(found, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(found, Qt::Key_Delete);
    std::string message = "These entries were not moved to the trash:\n";
    for (std::size_t r = 0; r < 25; ++r) message += "\n" + rows.at(r) + "\n    No such file or directory";
    message += "\n\n... and 2 more.";
    EXPECT_EQ(m_boxes.boxes.size(), 2u) << "the question and the failures";
    EXPECT_EQ(m_boxes.boxes.back().text, message);
    EXPECT_EQ(found->GetItemCount(), 27);
}

// Start, open drive C, sort its Files table by name, find the doubles, open one and delete them,
// all through the keys, header and menu as a user reaches them.
TEST_F(CommandsTest, TypicalUseFromStartToTheTrash) {
    const std::string report(100, 'r');
    const std::string docs = m_dir.MakeFile("C/docs/report.txt", report);
    const std::string backup = m_dir.MakeFile("C/backup/report.txt", report);
    m_dir.MakeFile("C/docs/photo.jpg", "jpg");
    m_dir.MakeFile("C/photo.jpg", "longer jpg");
    Start();
    ActiveTable()->setCurrentIndex(ActiveTable()->model()->index(0, 0));
    QTest::keyClick(ActiveTable(), Qt::Key_Return);
    CListView_Table* files = ActiveTable();
    QHeaderView* header = files->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionViewportPosition(1) + 10, 5));
    EXPECT_EQ(TitleOf(files), "C: Files (Name -> AZ)");

    Frame()->GetAction(ID_FIND_DOUBLES)->trigger();
    CListView_Table* doubles = ActiveTable();
    std::vector<std::string> paths = Column(doubles, 0);
    doubles->setCurrentIndex(doubles->model()->index(1, 0));
    QTest::keyClick(doubles, Qt::Key_Return);
    (void)QTest::qWaitFor([&] { return !Opened().empty(); }, 5000);
    EXPECT_EQ(Opened(), paths[1].substr(1) + "\n");
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(paths, (std::vector<std::string>{" " + backup, " " + docs}));

    QTest::keyClick(doubles, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(doubles, Qt::Key_Delete);
    EXPECT_EQ(m_boxes.boxes.size(), 1u) << "the question, and no failure";
    EXPECT_EQ(doubles->GetItemCount(), 0);
    EXPECT_EQ(doubles->m_nRow, -1);  // the current row went with the rest: none is current
    EXPECT_EQ(Tree(m_dataHome + "/Trash/files"),
              (std::map<std::string, std::string>{{"report.txt", report}, {"report.txt.2", report}}));
    EXPECT_EQ(ListingOrder(m_driveC + "/docs"), std::vector<std::string>{"photo.jpg"});
    EXPECT_EQ(files->GetItemCount(), 4);  // not refreshed: it still lists what it found
}
