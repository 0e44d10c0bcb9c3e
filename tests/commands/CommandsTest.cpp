#include "WindowFixture.h"

#include "app/MainFrame.h"
#include "app/Resource.h"
#include "commands/ResultLines.h"
#include "platform/Document.h"
#include "table/ListView_Table.h"
#include "table/TableKind.h"

#include <QAction>
#include <QHeaderView>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <set>

namespace fs = std::filesystem;

namespace {

using CommandsTest = WindowFixture;

std::string TitleOf(const CListView_Table* table) { return table->GetDocument()->GetTitle(); }

// Selects exactly the rows whose path, without the blanks of a hand-over, is one of the paths.
void Select(CListView_Table* table, const std::vector<std::string>& paths) {
    table->SetItemState(-1, 0, LVIS_SELECTED);
    for (int r = 0; r < table->GetItemCount(); ++r) {
        std::string_view path = table->GetItemText(r, 0);
        path.remove_prefix(std::min(path.find_first_not_of(' '), path.size()));
        if (std::find(paths.begin(), paths.end(), path) != paths.end()) table->SetItemState(r, LVIS_SELECTED, LVIS_SELECTED);
    }
}

CListView_Table* Find(CListView_Table* table, const std::string& text) {
    WindowFixture::WithDialog([&](QWidget* dialog) { WindowFixture::TypeAndEnter(dialog, text); },
                              [&] { QTest::keyClick(table, Qt::Key_F, Qt::ControlModifier); });
    return WindowFixture::ActiveTable();
}

// Every entry below a folder, by relative path, with a file's bytes ("/" for a folder).
std::map<std::string, std::string> Tree(const std::string& root) {
    std::map<std::string, std::string> tree;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        std::string& bytes = tree[entry.path().lexically_relative(root).string()];
        if (entry.is_symlink() || entry.is_directory()) {
            bytes = entry.is_symlink() ? "->" + fs::read_symlink(entry.path()).string() : "/";
        } else {
            std::ifstream in(entry.path(), std::ios::binary);
            bytes.assign(std::istreambuf_iterator<char>(in), {});
        }
    }
    return tree;
}

}  // namespace

TEST_F(CommandsTest, SearchesRefuseOutsideTheirTablesCancelLeavesAllAndTheDriveSearchedIsKept) {
    const std::string wrongKind = "Find doubles works only in \"Files\" table, sorted by \"Name of File\"";
    const std::string unsorted = "At first please sort out the table by \"Name\"";
    m_dir.MakeFile("C/1/x", "x");
    m_dir.MakeFile("C/2/x", "x");
    Start();
    CListView_Table* drives = ActiveTable();
    CListView_Table* found = OpenFromLines(Found, {});
    SortBy(found, 1, false);  // a sort by Name does not make a Found table a Files table
    CListView_Table* dirs = Open(Directories, 0);
    CListView_Table* doubles = OpenFromLines(Doubles, {});
    CListView_Table* files = Open(Files, 0);
    Open(Files, 1);  // D opened last: a search in C's table still makes C's table
    auto leave = [&](const std::function<void(QWidget*)>& way) {
        return [&, way] { WithDialog(way, [&] { QTest::keyClick(files, Qt::Key_F, Qt::ControlModifier); }); };
    };
    struct Case {
        std::function<void()> command;
        std::string message;  // empty: no box
    };
    const Case cases[] = {
        {[&] { drives->FindByName(); }, "Find works inside other tables, not in the \"All Drives\""},
        {[&] { drives->FindDoubles(); }, wrongKind},
        {[&] { dirs->FindDoubles(); }, wrongKind},
        {[&] { doubles->FindDoubles(); }, wrongKind},
        {[&] { found->FindDoubles(); }, wrongKind},
        {[&] { files->FindDoubles(); }, unsorted},
        {[&] { SortBy(files, 3, false), files->FindDoubles(); }, unsorted},
        {leave([](QWidget* dialog) { QTest::mouseClick(dialog->findChild<QPushButton*>("IDCANCEL"), Qt::LeftButton); }), ""},
        {leave([](QWidget* dialog) {
             QTest::keyClicks(dialog->focusWidget(), "typed");
             QTest::keyClick(dialog->focusWidget(), Qt::Key_Escape);
         }), ""},
        {leave([](QWidget* dialog) { dialog->close(); }), ""},
    };
    g_aResultLines.Add("left alone");
    g_strFind = "before";
    for (const Case& c : cases) {
        m_boxes.boxes.clear();
        const std::size_t windows = Children().size();
        c.command();
        ASSERT_EQ(m_boxes.boxes.size(), c.message.empty() ? 0u : 1u) << c.message;
        EXPECT_TRUE(c.message.empty() || (m_boxes.boxes[0].text == c.message && m_boxes.boxes[0].type == MB_ICONINFORMATION));
        EXPECT_EQ(Children().size(), windows);
        EXPECT_EQ(g_aResultLines.GetSize(), 1u);
        EXPECT_EQ(g_strFind, "before");
    }
    g_aResultLines.RemoveAll();
    EXPECT_EQ(TitleOf(Find(files, "X")), "C: Found 2 lines like \"x\"");
    Open(Files, 1);
    SortBy(files, 1, true);
    files->FindDoubles();
    EXPECT_EQ(TitleOf(ActiveTable()), "C: Doubles");
    EXPECT_EQ(ActiveTable()->GetItemCount(), 2);
}

TEST_F(CommandsTest, DeleteAsksByKindAndCountAndNoLeavesEverything) {
    const std::string a = m_dir.MakeFile("C/a.txt", "a"), b = m_dir.MakeFile("C/b.txt", "b");
    const std::string d1 = m_dir.MakeDir("C/d1"), d2 = m_dir.MakeDir("C/d2");
    Start();
    CListView_Table* files = Open(Files, 0);
    CListView_Table* dirs = Open(Directories, 0);
    Select(dirs, {d1});
    CListView_Table* foundDirs = OpenFromLines(Found, {MakeResultLine(*dirs->m_pList, dirs->GetNextItem(-1, LVNI_SELECTED))});
    struct Case {
        CListView_Table* table;
        std::vector<std::string> selected;
        std::string text;
        unsigned type;
    };
    const unsigned question = MB_YESNO | MB_ICONQUESTION;
    const Case cases[] = {
        {files, {}, "Please select one or more files for delete.", MB_OK},
        {dirs, {}, "Please select one or more directories for delete.", MB_OK},
        {foundDirs, {}, "Please select one or more files for delete.", MB_OK},
        {files, {b}, "Delete a file\n\n" + b + "\n\nfrom disk?", question},
        {files, {a, b}, "Delete those 2 files from disk?", question},
        {dirs, {d2}, "Delete a directory\n\n" + d2 + "\n\nfrom disk?", question},
        {dirs, {d1, d2}, "Delete those 2 directories from disk?", question},
        // Made from a Directories table, a Found table speaks of files; its path keeps the blank.
        {foundDirs, {d1}, "Delete a file\n\n " + d1 + "\n\nfrom disk?", question},
    };
    const auto before = Tree(m_dir.Path());
    for (const Case& c : cases) {
        Select(c.table, c.selected);
        const std::vector<Row> rows = Rows(c.table);
        m_boxes.boxes.clear();
        m_boxes.answers = {IDNO};
        QTest::keyClick(c.table, Qt::Key_Delete);
        ASSERT_EQ(m_boxes.boxes.size(), 1u) << c.text;
        EXPECT_EQ(m_boxes.boxes[0].text, c.text);
        EXPECT_EQ(m_boxes.boxes[0].type, c.type);
        // The plain box has no caption and no owner.
        EXPECT_TRUE(c.type != MB_OK || (m_boxes.boxes[0].caption.empty() && !m_boxes.boxes[0].owner));
        EXPECT_EQ(Rows(c.table), rows);
    }
    EXPECT_EQ(Tree(m_dir.Path()), before);
}

TEST_F(CommandsTest, DeleteMovesExactlyTheRowsEntryOrRefusesItWithTheReason) {
    // Fault mended: a folder swapped for a link after the scan sent the file outside the drive to
    // the trash, and a Files row whose path had become a directory sent the whole directory.
    const std::string a = m_dir.MakeFile("C/a.txt", "a"), keep = m_dir.MakeFile("C/keep", "k");
    const std::string secret = m_dir.MakeFile("C/dir/secret.txt", "s");
    const std::string outside = m_dir.MakeFile("outside/secret.txt", "s");
    const std::string became = m_dir.MakeFile("C/became", "f"), gone = m_dir.MakeFile("C/gone", "g");
    const std::string longName = std::string(250, 'b') + ".txt";
    const std::string longFile = m_dir.MakeFile("C/" + longName, "l");
    const std::string link = m_driveC + "/link";
    fs::create_directory_symlink(m_dir.Path() + "/outside", link);
    Start();
    CListView_Table* files = Open(Files, 0);
    fs::rename(m_driveC + "/dir", m_driveC + "/dir.old");
    fs::create_directory_symlink(m_dir.Path() + "/outside", m_driveC + "/dir");
    fs::last_write_time(outside, fs::last_write_time(m_driveC + "/dir.old/secret.txt"));
    fs::remove(became);
    m_dir.MakeFile("C/became/inner", "i");
    fs::remove(gone);
    const std::map<std::string, std::string> reasons = {
        {secret, "the folder \"dir\" on its path is now a symbolic link"},
        {became, "it is now a directory"},
        {gone, "No such file or directory"}};
    Select(files, {a, secret, became, gone, link, longFile});
    for (int r = 0; r < files->GetItemCount(); ++r)  // the current row goes too
        if (files->GetItemText(r, 0) == a) files->SetItemState(r, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
    const auto outsideBefore = Tree(m_dir.Path() + "/outside");
    m_boxes.boxes.clear();

    QTest::keyClick(files, Qt::Key_Delete);

    std::string message = "These entries were not moved to the trash:\n";
    std::vector<std::string> left;
    for (const Row& row : Rows(files, 1)) {
        left.push_back(row[0]);
        if (reasons.count(row[0])) message += "\n" + row[0] + "\n    " + reasons.at(row[0]);
    }
    ASSERT_EQ(m_boxes.boxes.size(), 2u);
    EXPECT_EQ(m_boxes.boxes[1].text, message);
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{became, secret, gone, keep}));
    const std::map<std::string, std::string> trashed = {
        {"a.txt", "a"}, {"link", "->" + m_dir.Path() + "/outside"}, {std::string(241, 'b') + ".txt", "l"}};
    EXPECT_EQ(Tree(m_dataHome + "/Trash/files"), trashed);
    EXPECT_EQ(Tree(m_dir.Path() + "/outside"), outsideBefore);
    EXPECT_TRUE(fs::exists(became + "/inner"));
    // The row that was current went: a row still there is current, and Enter opens its entry.
    ASSERT_GE(files->m_nRow, 0);
    ASSERT_LT(files->m_nRow, files->GetItemCount());
    QTest::keyClick(files, Qt::Key_Return);
    (void)QTest::qWaitFor([&] { return !Opened().empty(); }, 5000);
    EXPECT_EQ(Opened(), std::string(files->GetItemText(files->m_nRow, 0)) + "\n");
}

TEST_F(CommandsTest, FoundRowOfANameWithSemicolonsDeletesExactlyItsEntry) {
    // Fault mended: result lines cut values at ";", so deleting the one Found row of
    // "V; V; x; ; ; ; " moved V, and that of "notes;" moved notes (same length, same second).
    const auto when = fs::file_time_type::clock::now();
    for (const char* name : {"V", "V; V; x; ; ; ; ", "notes", "notes;"})
        fs::last_write_time(m_dir.MakeFile(std::string("C/") + name, "abc"), when);
    Start();
    CListView_Table* files = Open(Files, 0);
    struct Case {
        const char* find;
        const char* goes;
    };
    for (const Case& c : {Case{"x; ;", "V; V; x; ; ; ; "}, Case{"notes;", "notes;"}}) {
        CListView_Table* found = Find(files, c.find);
        ASSERT_EQ(found->GetItemCount(), 1) << c.find;
        QTest::keyClick(found, Qt::Key_A, Qt::ControlModifier);
        m_boxes.boxes.clear();
        QTest::keyClick(found, Qt::Key_Delete);
        EXPECT_EQ(m_boxes.boxes.size(), 1u) << "the question, and no failure";
        EXPECT_FALSE(fs::exists(m_driveC + "/" + c.goes));
    }
    std::vector<std::string> left = ListingOrder(m_driveC);
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"V", "notes"}));
}

TEST_F(CommandsTest, TrashInsideTheDriveStaysWholeWhileFoldersGoWithWhatTheyHold) {
    // Fault mended: with the trash on the drive, Ctrl+A and Delete in the Directories table moved
    // Trash/info into Trash/files, orphaning every record. The trash folders, what lies inside them
    // and what holds them stay.
    ScopedEnv data("XDG_DATA_HOME", m_driveC + "/home/share");
    m_dir.MakeFile("C/home/share/Trash/files/old/x", "x");
    m_dir.MakeFile("C/home/share/Trash/info/old.trashinfo", "[Trash Info]\nPath=/old\n");
    m_dir.MakeFile("C/other/inner/y", "y");
    const auto before = Tree(m_driveC + "/home");
    Start();
    CListView_Table* dirs = Open(Directories, 0);
    QTest::keyClick(dirs, Qt::Key_A, Qt::ControlModifier);
    m_boxes.boxes.clear();

    QTest::keyClick(dirs, Qt::Key_Delete);

    // other/inner went with other: it is no failure.
    const std::map<std::string, std::string> reasons = {
        {"/home", "it holds the trash"}, {"/home/share", "it holds the trash"},
        {"/home/share/Trash", "it is a folder of the trash"}, {"/home/share/Trash/files", "it is a folder of the trash"},
        {"/home/share/Trash/info", "it is a folder of the trash"}, {"/home/share/Trash/files/old", "it lies inside the trash"}};
    std::string message = "These entries were not moved to the trash:\n";
    ASSERT_EQ(dirs->GetItemCount(), 6);
    for (const Row& row : Rows(dirs, 1)) message += "\n" + row[0] + "\n    " + reasons.at(row[0].substr(m_driveC.size()));
    ASSERT_EQ(m_boxes.boxes.size(), 2u);
    EXPECT_EQ(m_boxes.boxes[1].text, message);
    auto after = Tree(m_driveC + "/home");
    EXPECT_EQ(after["share/Trash/files/other/inner/y"], "y");
    EXPECT_NE(after["share/Trash/info/other.trashinfo"].find("\nPath=" + m_driveC + "/other\n"), std::string::npos);
    for (const auto& [path, bytes] : before) EXPECT_EQ(after[path], bytes) << path;
    EXPECT_EQ(ListingOrder(m_driveC), std::vector<std::string>{"home"});
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
    CListView_Table* allDrives = ActiveTable();
    ASSERT_EQ(allDrives->GetItemText(0, 0), "   C");
    allDrives->setCurrentIndex(allDrives->model()->index(0, 0));
    QTest::keyClick(allDrives, Qt::Key_Return);
    CListView_Table* files = ActiveTable();
    ASSERT_EQ(TitleOf(files), "C: Files");

    QHeaderView* header = files->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionViewportPosition(1) + 10, header->height() / 2));
    EXPECT_EQ(TitleOf(files), "C: Files (Name -> AZ)");

    Frame()->GetAction(ID_FIND_DOUBLES)->trigger();
    CListView_Table* doubles = ActiveTable();
    EXPECT_EQ(TitleOf(doubles), "C: Doubles");
    const std::vector<std::string> paths = Column(doubles, 0);
    EXPECT_EQ(std::set<std::string>(paths.begin(), paths.end()), (std::set<std::string>{" " + docs, " " + backup}));

    doubles->setCurrentIndex(doubles->model()->index(1, 0));
    QTest::keyClick(doubles, Qt::Key_Return);
    (void)QTest::qWaitFor([&] { return !Opened().empty(); }, 5000);
    EXPECT_EQ(Opened(), paths[1].substr(1) + "\n");

    QTest::keyClick(doubles, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(doubles, Qt::Key_Delete);
    ASSERT_EQ(m_boxes.boxes.size(), 1u);
    EXPECT_EQ(m_boxes.boxes[0].text, "Delete those 2 files from disk?");
    EXPECT_EQ(doubles->GetItemCount(), 0);
    EXPECT_EQ(doubles->m_nRow, -1);  // the current row went with the rest: none is current
    EXPECT_EQ(Tree(m_dataHome + "/Trash/files"), (std::map<std::string, std::string>{{"report.txt", report}, {"report.txt.2", report}}));
    EXPECT_EQ(ListingOrder(m_driveC + "/docs"), std::vector<std::string>{"photo.jpg"});
    EXPECT_EQ(files->GetItemCount(), 4);  // not refreshed: it still lists what it found
}
