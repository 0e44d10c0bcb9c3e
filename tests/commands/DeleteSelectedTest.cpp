#include "commands/TableWindowsFixture.h"

#include "platform/Document.h"
#include "table/ListView_Table.h"
#include "table/TableKind.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace fs = std::filesystem;

namespace {

// Every entry below a folder, by path relative to it, with the bytes of each file ("/" for a
// directory).
std::map<std::string, std::string> Tree(const std::string& root) {
    std::map<std::string, std::string> tree;
    if (!fs::exists(root)) return tree;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string relative = fs::relative(entry.path(), root).string();
        if (entry.is_directory()) {
            tree[relative] = "/";
        } else {
            std::ifstream in(entry.path(), std::ios::binary);
            std::stringstream bytes;
            bytes << in.rdbuf();
            tree[relative] = bytes.str();
        }
    }
    return tree;
}

class DeleteSelectedTest : public TableWindowsFixture {
protected:
    std::string Trash() const { return m_dataHome + "/Trash/files"; }
    // Selects the rows whose Path cell, without leading blanks, is one of the paths.
    static void Select(CListView_Table* table, const std::vector<std::string>& paths) {
        for (int i = 0; i < table->GetItemCount(); ++i) {
            std::string_view path = table->GetItemText(i, 0);
            path.remove_prefix(std::min(path.find_first_not_of(' '), path.size()));
            for (const std::string& p : paths)
                if (path == p) table->SetItemState(i, LVIS_SELECTED, LVIS_SELECTED);
        }
    }
    static void Delete(CListView_Table* table) { table->m_scanner.DeleteSelected(table->m_pList, table->m_nKind, true); }
    std::vector<std::string> Paths(const CListView_Table* table) const {
        std::vector<std::string> paths;
        for (const Row& row : Rows(table)) paths.push_back(row[0]);
        return paths;
    }
};

}  // namespace

TEST_F(DeleteSelectedTest, NothingSelectedShowsThePlainBox) {
    m_dir.MakeFile("C/dir/file", "f");
    struct Case {
        int kind;
        const char* text;
    };
    const Case cases[] = {
        {Files, "Please select one or more files for delete."},
        {Directories, "Please select one or more directories for delete."},
        {Found, "Please select one or more files for delete."},
    };
    for (const Case& c : cases) {
        CListView_Table* table = OpenTable(c.kind, 0);
        m_boxes.boxes.clear();
        Delete(table);
        ASSERT_EQ(m_boxes.boxes.size(), 1u);
        EXPECT_EQ(m_boxes.boxes[0].text, c.text);
        EXPECT_EQ(m_boxes.boxes[0].caption, "");
        EXPECT_EQ(m_boxes.boxes[0].owner, nullptr);
        EXPECT_EQ(m_boxes.boxes[0].type, unsigned(MB_OK));
    }
}

TEST_F(DeleteSelectedTest, QuestionsByCountAndKindAndNoLeavesEverything) {
    const std::string a = m_dir.MakeFile("C/a.txt", "a"), b = m_dir.MakeFile("C/b.txt", "b");
    const std::string c = m_dir.MakeFile("C/c.txt", "c");
    const std::string d1 = m_dir.MakeDir("C/d1"), d2 = m_dir.MakeDir("C/d2");
    CListView_Table* files = OpenTable(Files, 0);
    CListView_Table* dirs = OpenTable(Directories, 0);
    m_boxes.boxes.clear();
    WithDialog([](QWidget* dialog) { TypeAndEnter(dialog, "d1"); }, [&] { dirs->FindByName(); });
    CListView_Table* foundDirs = ActiveTable();
    ASSERT_EQ(foundDirs->GetItemCount(), 1);

    struct Case {
        CListView_Table* table;
        std::vector<std::string> selected;
        std::string question;
    };
    const Case cases[] = {
        {files, {b}, "Delete a file\n\n" + b + "\n\nfrom disk?"},
        {files, {a, b, c}, "Delete those 3 files from disk?"},
        {dirs, {d2}, "Delete a directory\n\n" + d2 + "\n\nfrom disk?"},
        {dirs, {d1, d2}, "Delete those 2 directories from disk?"},
        // Made from a Directories table, a Found table still speaks of files; its path keeps the blank.
        {foundDirs, {d1}, "Delete a file\n\n " + d1 + "\n\nfrom disk?"},
    };
    const auto before = Tree(m_dir.Path());
    for (const Case& k : cases) {
        k.table->SetItemState(-1, 0, LVIS_SELECTED);
        Select(k.table, k.selected);
        const std::vector<Row> rows = Rows(k.table);
        m_boxes.boxes.clear();
        m_boxes.answers = {IDNO};
        Delete(k.table);
        ASSERT_EQ(m_boxes.boxes.size(), 1u) << k.question;
        EXPECT_EQ(m_boxes.boxes[0].text, k.question);
        EXPECT_EQ(m_boxes.boxes[0].type, unsigned(MB_YESNO | MB_ICONQUESTION));
        EXPECT_EQ(Rows(k.table), rows);
        EXPECT_EQ(Tree(m_dir.Path()), before);
    }
}

TEST_F(DeleteSelectedTest, YesMovesExactlyTheSelectedEntriesToTheTrash) {
    const std::string a = m_dir.MakeFile("C/a.txt", "bytes of a");
    const std::string b = m_dir.MakeFile("C/b.txt", "bytes of b");
    const std::string d = m_dir.MakeFile("C/sub/d.txt", std::string(5000, '\xFF'));
    m_dir.MakeFile("C/sub/e.txt", "e");
    CListView_Table* files = OpenTable(Files, 0);
    ASSERT_FALSE(fs::exists(m_dataHome));  // the trash starts from a missing data folder
    auto before = Tree(m_driveC);
    Select(files, {a, d});
    ASSERT_EQ(files->GetSelectedCount(), 2u);

    Delete(files);

    ASSERT_EQ(m_boxes.boxes.size(), 1u) << "the question, and no failure";
    const std::map<std::string, std::string> trashed = {{"a.txt", "bytes of a"}, {"d.txt", std::string(5000, '\xFF')}};
    EXPECT_EQ(Tree(Trash()), trashed);
    before.erase("a.txt");
    before.erase("sub/d.txt");
    EXPECT_EQ(Tree(m_driveC), before);
    for (const std::string& path : Paths(files)) EXPECT_TRUE(path != a && path != d) << path;
    EXPECT_EQ(files->GetItemCount(), 2);
}

TEST_F(DeleteSelectedTest, DirectoriesGoWholeAlsoFromAFoundTable) {
    m_dir.MakeFile("C/keep/k", "k");
    m_dir.MakeFile("C/old/inner/x", "x");
    m_dir.MakeFile("C/older/y", "y");
    CListView_Table* dirs = OpenTable(Directories, 0);
    WithDialog([](QWidget* dialog) { TypeAndEnter(dialog, "OLD"); }, [&] { dirs->FindByName(); });
    CListView_Table* found = ActiveTable();
    ASSERT_EQ(found->GetItemCount(), 2);  // old, older
    found->SelectAllItems();
    m_boxes.boxes.clear();

    Delete(found);

    ASSERT_EQ(m_boxes.boxes.size(), 1u);
    EXPECT_EQ(m_boxes.boxes[0].text, "Delete those 2 files from disk?");
    const std::map<std::string, std::string> trashed = {
        {"old", "/"}, {"old/inner", "/"}, {"old/inner/x", "x"}, {"older", "/"}, {"older/y", "y"}};
    EXPECT_EQ(Tree(Trash()), trashed);
    EXPECT_EQ(found->GetItemCount(), 0);
    EXPECT_TRUE(fs::exists(m_driveC + "/keep/k"));
}

TEST_F(DeleteSelectedTest, RowCutAtASemicolonIsRefusedWhileItsNeighbourGoes) {
    // Fault mended: a ";" in a path cuts it in a Doubles or Found table, so the Path cell names
    // another entry (here the file "a" beside "a;b.txt"), which a delete would have taken.
    const std::string cut1 = m_dir.MakeFile("C/1/a;b.txt", "same");
    const std::string cut2 = m_dir.MakeFile("C/2/a;b.txt", "same");
    const std::string decoy = m_dir.MakeFile("C/1/a", "decoy");
    const std::string n1 = m_dir.MakeFile("C/1/n.txt", "nn");
    const std::string n2 = m_dir.MakeFile("C/2/n.txt", "nn");
    CListView_Table* files = OpenTable(Files, 0);
    files->OnColumnClick(1);
    files->FindDoubles();
    CListView_Table* doubles = ActiveTable();
    ASSERT_EQ(doubles->m_nKind, Doubles);
    ASSERT_EQ(doubles->GetItemCount(), 4);
    doubles->SelectAllItems();
    m_boxes.boxes.clear();

    Delete(doubles);

    ASSERT_EQ(m_boxes.boxes.size(), 2u) << "the question, then the one failure message";
    const std::string& failures = m_boxes.boxes[1].text;
    EXPECT_EQ(m_boxes.boxes[1].type, unsigned(MB_ICONINFORMATION));
    EXPECT_NE(failures.find(" " + m_driveC + "/1/a\n    its path was cut"), std::string::npos) << failures;
    EXPECT_NE(failures.find(" " + m_driveC + "/2/a\n    its path was cut"), std::string::npos) << failures;
    for (const std::string& stays : {cut1, cut2, decoy}) EXPECT_TRUE(fs::exists(stays)) << stays;
    EXPECT_FALSE(fs::exists(n1));
    EXPECT_FALSE(fs::exists(n2));
    std::vector<std::string> left = Paths(doubles);
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{" " + m_driveC + "/1/a", " " + m_driveC + "/2/a"}));
}

TEST_F(DeleteSelectedTest, CutRowWhoseNameStillMatchesItsPathIsRefused) {
    // Fault mended: "x; x" comes back as path ".../x" and name "x", so the name alone does not show
    // the cut; the rest of the row stands a cell to the right (the Length cell holds " x").
    const std::string cut = m_dir.MakeFile("C/x; x", "cut");
    const std::string decoy = m_dir.MakeFile("C/x", "decoy");
    CListView_Table* files = OpenTable(Files, 0);
    WithDialog([](QWidget* dialog) { TypeAndEnter(dialog, "x"); }, [&] { files->FindByName(); });
    CListView_Table* found = ActiveTable();
    ASSERT_EQ(found->GetItemCount(), 2);
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(found->GetItemText(i, 0), " " + decoy);
        ASSERT_EQ(found->GetItemText(i, 1), " x");
        if (found->GetItemText(i, 3) == " x") found->SetItemState(i, LVIS_SELECTED, LVIS_SELECTED);
    }
    ASSERT_EQ(found->GetSelectedCount(), 1u);
    m_boxes.boxes.clear();

    Delete(found);

    ASSERT_EQ(m_boxes.boxes.size(), 2u);
    EXPECT_NE(m_boxes.boxes[1].text.find("its path was cut"), std::string::npos) << m_boxes.boxes[1].text;
    EXPECT_TRUE(fs::exists(cut));
    EXPECT_TRUE(fs::exists(decoy));
}

TEST_F(DeleteSelectedTest, SemicolonAtTheEndOfANameIsCaughtByTheDisk) {
    // Fault mended: "notes;" comes back from a result line as path ".../notes" and name "notes",
    // every cell in place; only its length tells that the row is not the file "notes".
    const std::string notes = m_dir.MakeFile("C/notes", "abc");
    const std::string semi = m_dir.MakeFile("C/notes;", "1234567");
    CListView_Table* files = OpenTable(Files, 0);
    WithDialog([](QWidget* dialog) { TypeAndEnter(dialog, "notes"); }, [&] { files->FindByName(); });
    CListView_Table* found = ActiveTable();
    ASSERT_EQ(found->GetItemCount(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(found->GetItemText(i, 0), " " + notes);
        if (found->GetItemText(i, 3) == " 7") found->SetItemState(i, LVIS_SELECTED, LVIS_SELECTED);
    }
    m_boxes.boxes.clear();

    Delete(found);

    ASSERT_EQ(m_boxes.boxes.size(), 2u);
    EXPECT_NE(m_boxes.boxes[1].text.find("is not the one of this row"), std::string::npos) << m_boxes.boxes[1].text;
    EXPECT_TRUE(fs::exists(notes));
    EXPECT_TRUE(fs::exists(semi));
    EXPECT_EQ(found->GetItemCount(), 2);
}

TEST_F(DeleteSelectedTest, EntryAlreadyGoneIsReportedWhileTheRestGo) {
    const std::string a = m_dir.MakeFile("C/a", "a");
    const std::string b = m_dir.MakeFile("C/b", "b");
    const std::string c = m_dir.MakeFile("C/c", "c");
    CListView_Table* files = OpenTable(Files, 0);
    fs::remove(b);
    files->SelectAllItems();
    m_boxes.boxes.clear();

    Delete(files);

    ASSERT_EQ(m_boxes.boxes.size(), 2u);
    EXPECT_EQ(m_boxes.boxes[1].text, "This entry was not moved to the trash:\n\n" + b + "\n    No such file or directory");
    EXPECT_EQ(Paths(files), std::vector<std::string>{b});
    EXPECT_EQ(Tree(Trash()), (std::map<std::string, std::string>{{"a", "a"}, {"c", "c"}}));
}

TEST_F(DeleteSelectedTest, EntriesInsideADirectoryThatWentAreNotReportedAsFailures) {
    m_dir.MakeFile("C/top/inner/x", "x");
    CListView_Table* dirs = OpenTable(Directories, 0);
    ASSERT_EQ(dirs->GetItemCount(), 2);
    dirs->SelectAllItems();
    m_boxes.boxes.clear();

    Delete(dirs);

    EXPECT_EQ(m_boxes.boxes.size(), 1u) << "inner went with top: no failure to report";
    EXPECT_EQ(dirs->GetItemCount(), 0);
    EXPECT_TRUE(fs::exists(Trash() + "/top/inner/x"));
}
