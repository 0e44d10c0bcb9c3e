#include "WindowFixture.h"

#include "commands/ResultLines.h"

#include <QPushButton>

#include <algorithm>
#include <filesystem>
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

}  // namespace

TEST_F(CommandsTest, SearchesRefuseOutsideTheirTablesACancelledFindLeavesAllAndResultsGoToTheirDrive) {
    for (const char* file : {"C/1/x", "C/2/x"}) m_dir.MakeFile(file, "x");
    Start();
    CListView_Table* drives = ActiveTable();
    CListView_Table* found = OpenFromLines(Found, {});
    SortBy(found, 1, false);  // a sort by Name does not make a Found table a Files table
    CListView_Table* files = Open(Files, 0);
    Open(Files, 1);  // D's table opened last: a search in C's table must still make C's table
    g_aResultLines.Add("left alone");
    g_strFind = "before";
    const std::size_t windows = Children().size();
    auto find = [&](const std::function<void(QWidget*)>& way) {
        WithDialog(way, [&] { QTest::keyClick(files, Qt::Key_F, Qt::ControlModifier); });
    };
    drives->FindByName();
    found->FindDoubles();
    files->FindDoubles();
    SortBy(files, 3, false), files->FindDoubles();
    find([](QWidget* d) { QTest::mouseClick(d->findChild<QPushButton*>("IDCANCEL"), Qt::LeftButton); });
    find([](QWidget* d) { QTest::keyClicks(d->focusWidget(), "typed\x1b"); });  // then Escape
    const std::string unsorted = "At first please sort out the table by \"Name\"";
    std::vector<std::string> shown;
    for (const MessageBoxRequest& box : m_boxes.boxes)
        shown.push_back((box.type == MB_ICONINFORMATION ? "" : "(not an information box) ") + box.text);
    EXPECT_EQ(shown, (std::vector<std::string>{"Find works inside other tables, not in the \"All Drives\"",
                                               "Find doubles works only in \"Files\" table, sorted by \"Name of File\"",
                                               unsorted, unsorted}));
    EXPECT_EQ(Children().size(), windows);
    EXPECT_EQ(g_aResultLines.GetSize(), 1u);
    EXPECT_EQ(g_strFind, "before");

    g_aResultLines.RemoveAll();
    find([](QWidget* dialog) { TypeAndEnter(dialog, "X"); });
    EXPECT_EQ(TitleOf(ActiveTable()), "C: Found 2 lines like \"x\"");
    Open(Files, 1);
    SortBy(files, 1, true);
    files->FindDoubles();
    EXPECT_EQ(TitleOf(ActiveTable()), "C: Doubles");
}

TEST_F(CommandsTest, DeleteAsksFirstAndANoLeavesEveryEntry) {
    const std::string a = m_dir.MakeFile("C/a.txt", "a"), b = m_dir.MakeFile("C/b.txt", "b");
    const std::string d1 = m_dir.MakeDir("C/d1"), d2 = m_dir.MakeDir("C/d2");
    Start();
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
        // Made from a Directories table, a Found table holds directories; its path keeps the blank.
        {foundDirs, {d1}, question + "Delete a directory\n\n " + d1 + "\n\nfrom disk?"},
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
    EXPECT_FALSE(fs::exists(m_dataHome + "/Trash")) << "nothing went";
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
    EXPECT_EQ(ListingOrder(m_dataHome + "/Trash/files"), std::vector<std::string>{"a.txt"});
}
