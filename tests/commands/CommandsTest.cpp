#include "WindowFixture.h"

#include "commands/ResultLines.h"
#include "framework/Document.h"
#include "table/ListView_Table.h"
#include "table/TableKind.h"

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

TEST_F(SearchTest, SearchesRefuseOutsideTheirTablesWithTheReasonAndACancelledFindLeavesAll) {
    OpenTables();
    const std::string unsorted = "At first please sort out the table by \"Name\"";
    ExpectLeftAlone([&] { drives->FindByName(); }, "Find works inside other tables, not in the \"All Drives\"");
    ExpectLeftAlone([&] { found->FindDoubles(); },
                    "Find doubles works only in \"Files\" table, sorted by \"Name of File\"");
    ExpectLeftAlone([&] { files->FindDoubles(); }, unsorted);
    ExpectLeftAlone([&] { SortBy(files, 3, false), files->FindDoubles(); }, unsorted);
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

TEST_F(CommandsTest, DeleteMovesWhatIsUnchangedAndNamesAtMost25OthersWithTheirReasons) {
    // Fault mended: a Files row whose path had become a directory sent the whole directory to the
    // trash. (A folder on the path swapped for a link is refused where the trash is tested.)
    const std::string a = m_dir.MakeFile("C/a.txt", "a");
    m_dir.MakeFile("C/b.txt", "b");
    const std::string became = m_dir.MakeFile("C/became", "f"), changed = m_dir.MakeFile("C/changed", "c");
    const std::string longer = m_dir.MakeFile("C/longer", "l");
    std::vector<std::string> selected = {a, became, changed, longer};
    for (int i = 10; i < 34; ++i) selected.push_back(m_dir.MakeFile("C/gone" + std::to_string(i)));
    Start();
    CListView_Table* files = Open(Files, 0);
    for (std::size_t i = 4; i < selected.size(); ++i) fs::remove(selected[i]);
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
    Select(files, selected);
    std::vector<std::string> left = Column(files, 0);
    const auto current = std::find(left.begin(), left.end(), a);
    files->SetItemState(static_cast<int>(current - left.begin()), LVIS_FOCUSED, LVIS_FOCUSED);
    left.erase(current);
    QTest::keyClick(files, Qt::Key_Delete);
    std::string message = "These entries were not moved to the trash:\n";
    int nListed = 0;
    for (const std::string& path : left)
        if (std::count(selected.begin(), selected.end(), path) && nListed++ < 25)
            message += "\n" + path + "\n    " + (reasons.count(path) ? reasons.at(path) : "No such file or directory");
    EXPECT_EQ(m_boxes.boxes.size(), 2u) << "the question and the failures";
    EXPECT_EQ(m_boxes.boxes.back().text, message + "\n\n... and 2 more.");
    EXPECT_EQ(Column(files, 0), left);
    EXPECT_EQ(Tree(m_dataHome + "/Trash/files"), (std::map<std::string, std::string>{{"a.txt", "a"}}));
    // The current row went: a row still there is current, and Enter opens its entry.
    ASSERT_TRUE(files->m_nRow >= 0 && files->m_nRow < files->GetItemCount()) << files->m_nRow;
    QTest::keyClick(files, Qt::Key_Return);
    (void)QTest::qWaitFor([&] { return !Opened().empty(); }, 5000);
    EXPECT_EQ(Opened(), std::string(files->GetItemText(files->m_nRow, 0)) + "\n");
}
