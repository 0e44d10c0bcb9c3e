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

TEST_F(CommandsTest, SearchesRefuseOutsideTheirTablesCancelLeavesAllAndTheDriveSearchedIsKept) {
    const std::string unsorted = "At first please sort out the table by \"Name\"";
    for (const char* file : {"C/1/x", "C/2/x"}) m_dir.MakeFile(file, "x");
    Start();
    CListView_Table* drives = ActiveTable();
    CListView_Table* found = OpenFromLines(Found, {});
    SortBy(found, 1, false);  // a sort by Name does not make a Found table a Files table
    CListView_Table* files = Open(Files, 0);
    Open(Files, 1);  // D opened last: a search in C's table still makes C's table
    auto find = [&](const std::function<void(QWidget*)>& way) {
        WithDialog(way, [&] { QTest::keyClick(files, Qt::Key_F, Qt::ControlModifier); });
    };
    const std::pair<std::function<void()>, std::string> cases[] = {  // a command, and its box or none
        {[&] { drives->FindByName(); }, "Find works inside other tables, not in the \"All Drives\""},
        {[&] { found->FindDoubles(); }, "Find doubles works only in \"Files\" table, sorted by \"Name of File\""},
        {[&] { files->FindDoubles(); }, unsorted},
        {[&] { SortBy(files, 3, false), files->FindDoubles(); }, unsorted},
        {[&] { find([](QWidget* d) { QTest::mouseClick(d->findChild<QPushButton*>("IDCANCEL"), Qt::LeftButton); }); },
         ""},
        {[&] { find([](QWidget* d) { QTest::keyClicks(d->focusWidget(), "typed\x1b"); }); }, ""},  // then Escape
        {[&] { find([](QWidget* d) { d->close(); }); }, ""},
    };
    g_aResultLines.Add("left alone");
    g_strFind = "before";
    for (const auto& [command, message] : cases) {
        m_boxes.boxes.clear();
        const std::size_t windows = Children().size();
        command();
        ASSERT_EQ(m_boxes.boxes.size(), message.empty() ? 0u : 1u) << message;
        EXPECT_TRUE(message.empty() ||
                    (m_boxes.boxes[0].text == message && m_boxes.boxes[0].type == MB_ICONINFORMATION));
        EXPECT_EQ(Children().size(), windows);
        EXPECT_EQ(g_aResultLines.GetSize(), 1u);
        EXPECT_EQ(g_strFind, "before");
    }
    g_aResultLines.RemoveAll();
    find([](QWidget* dialog) { TypeAndEnter(dialog, "X"); });
    EXPECT_EQ(TitleOf(ActiveTable()), "C: Found 2 lines like \"x\"");
    Open(Files, 1);
    SortBy(files, 1, true);
    files->FindDoubles();
    EXPECT_EQ(TitleOf(ActiveTable()), "C: Doubles");
}

TEST_F(CommandsTest, DeleteAsksThenMovesExactlyTheRowsEntriesOrRefusesThemWithTheReason) {
    ScopedEnv data("XDG_DATA_HOME", m_driveC + "/home/share");  // the trash on the drive itself
    m_dir.MakeFile("C/home/share/Trash/files/old/x", "x");
    m_dir.MakeFile("C/home/share/Trash/info/old.trashinfo", "[Trash Info]\nPath=/old\n");
    m_dir.MakeFile("C/other/inner/y", "y");
    const std::string a = m_dir.MakeFile("C/a.txt", "a"), b = m_dir.MakeFile("C/b.txt", "b");
    const std::string became = m_dir.MakeFile("C/became", "f"), changed = m_dir.MakeFile("C/changed", "c");
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
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        Select(std::get<0>(cases[i]), std::get<1>(cases[i]));
        m_boxes.answers = {IDNO};
        QTest::keyClick(std::get<0>(cases[i]), Qt::Key_Delete);
        ASSERT_EQ(m_boxes.boxes.size(), i + 1);
        EXPECT_EQ(std::to_string(m_boxes.boxes[i].type) + m_boxes.boxes[i].text, std::get<2>(cases[i]));
    }
    EXPECT_TRUE(m_boxes.boxes[0].caption.empty() && !m_boxes.boxes[0].owner) << "the plain box has neither";
    EXPECT_EQ(Tree(m_dir.Path()), before);

    // Fault mended: a Files row whose path had become a directory sent the whole directory to the
    // trash. (A folder on the path swapped for a link is refused where the trash is tested.)
    fs::remove(became);
    m_dir.MakeFile("C/became/inner", "i");
    fs::last_write_time(changed, fs::last_write_time(changed) + std::chrono::hours(1));
    const std::map<std::string, std::string> reasons = {
        {became, "it is now a directory"}, {changed, "its length or times changed since the table was made"}};
    Select(files, {a, became, changed});
    for (int r = 0; r < files->GetItemCount(); ++r)  // the current row goes too
        if (files->GetItemText(r, 0) == a) files->SetItemState(r, LVIS_FOCUSED, LVIS_FOCUSED);
    std::vector<std::string> left = Column(files, 0);
    left.erase(std::find(left.begin(), left.end(), a));
    QTest::keyClick(files, Qt::Key_Delete);
    std::string message = "These entries were not moved to the trash:\n";
    for (const std::string& path : left)
        if (reasons.count(path)) message += "\n" + path + "\n    " + reasons.at(path);
    ASSERT_EQ(m_boxes.boxes.size(), std::size(cases) + 2) << "the question and the failures";
    EXPECT_EQ(m_boxes.boxes.back().text, message);
    EXPECT_EQ(Column(files, 0), left);
    EXPECT_EQ(Tree(m_driveC + "/home/share/Trash/files")["a.txt"], "a");
    // The row that was current went: a row still there is current, and Enter opens its entry.
    ASSERT_TRUE(files->m_nRow >= 0 && files->m_nRow < files->GetItemCount()) << files->m_nRow;
    QTest::keyClick(files, Qt::Key_Return);
    (void)QTest::qWaitFor([&] { return !Opened().empty(); }, 5000);
    EXPECT_EQ(Opened(), std::string(files->GetItemText(files->m_nRow, 0)) + "\n");

    // Fault mended: with the trash on the drive, Ctrl+A and Delete in the Directories table moved
    // Trash/info into Trash/files, orphaning every record. The trash folders, what lies inside them
    // and what holds them stay (each reason is pinned where the trash is tested).
    QTest::keyClick(dirs, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(dirs, Qt::Key_Delete);
    // Left: home, share, Trash, files, info and old; other/inner went with other, no failure.
    EXPECT_EQ(dirs->GetItemCount(), 6);
    auto after = Tree(m_driveC);
    for (const auto& [path, bytes] : before)
        EXPECT_TRUE(path.rfind("C/home/", 0) != 0 || after[path.substr(2)] == bytes) << path;
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
