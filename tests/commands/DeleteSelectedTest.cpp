#include "commands/TableWindowsFixture.h"

#include "TestSupport.h"

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

TEST_F(DeleteSelectedTest, FoundRowOfANameWithSemicolonsMovesExactlyItsEntry) {
    // Fault mended: result lines cut values at ";", so deleting the one Found row of
    // "V; V; x; ; ; ; " moved V, and that of "notes;" moved notes (same length, same second).
    struct Case {
        std::vector<std::string> names;
        const char* find;
        std::string goes;
    };
    const Case cases[] = {
        {{"V", "V; V; x; ; ; ; "}, "x; ;", "V; V; x; ; ; ; "},
        {{"notes", "notes;"}, "notes;", "notes;"},
    };
    const auto when = fs::file_time_type::clock::now();
    for (const Case& c : cases) {
        for (const std::string& name : c.names) fs::last_write_time(m_dir.MakeFile("C/" + name, "abc"), when);
        CListView_Table* files = OpenTable(Files, 0);
        WithDialog([&](QWidget* dialog) { TypeAndEnter(dialog, c.find); }, [&] { files->FindByName(); });
        CListView_Table* found = ActiveTable();
        ASSERT_EQ(found->GetItemCount(), 1) << c.find;
        found->SelectAllItems();
        m_boxes.boxes.clear();

        Delete(found);

        EXPECT_EQ(m_boxes.boxes.size(), 1u) << "the question, and no failure";
        EXPECT_EQ(ListingOrder(Trash()), std::vector<std::string>{c.goes});
        for (const std::string& name : c.names) EXPECT_EQ(fs::exists(m_driveC + "/" + name), name != c.goes) << name;
        fs::remove_all(m_driveC);
        fs::remove_all(Trash());
        fs::create_directory(m_driveC);
    }
}

TEST_F(DeleteSelectedTest, EntryChangedSinceTheScanIsRefusedAndALinkMovesItself) {
    // Fault mended: a folder swapped for a link after the scan sent the file outside the drive to
    // the trash, and a Files row whose path had become a directory sent the whole directory.
    const std::string secret = m_dir.MakeFile("C/dir/secret.txt", "s");
    const std::string outside = m_dir.MakeFile("outside/secret.txt", "s");
    const std::string became = m_dir.MakeFile("C/became", "f");
    const std::string link = m_driveC + "/link";
    fs::create_directory_symlink(m_dir.Path() + "/outside", link);
    CListView_Table* files = OpenTable(Files, 0);
    fs::rename(m_driveC + "/dir", m_driveC + "/dir.old");
    fs::create_directory_symlink(m_dir.Path() + "/outside", m_driveC + "/dir");
    fs::last_write_time(outside, fs::last_write_time(m_driveC + "/dir.old/secret.txt"));
    fs::remove(became);
    m_dir.MakeFile("C/became/inner", "i");
    Select(files, {secret, became, link});
    m_boxes.boxes.clear();

    Delete(files);

    ASSERT_EQ(m_boxes.boxes.size(), 2u);
    const std::string& text = m_boxes.boxes[1].text;
    EXPECT_EQ(text.rfind("These entries were not moved to the trash:\n", 0), 0u) << text;
    EXPECT_NE(text.find("\n" + became + "\n    it is now a directory"), std::string::npos) << text;
    EXPECT_NE(text.find("\n" + secret + "\n    the folder \"dir\" on its path is now a symbolic link"),
              std::string::npos) << text;
    EXPECT_EQ(Tree(m_dir.Path() + "/outside"), (std::map<std::string, std::string>{{"secret.txt", "s"}}));
    EXPECT_TRUE(fs::exists(became + "/inner"));
    EXPECT_TRUE(fs::is_symlink(Trash() + "/link"));
    std::vector<std::string> left = Paths(files);
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{became, secret}));
}

TEST_F(DeleteSelectedTest, TrashInsideTheDriveStaysWhole) {
    // Fault mended: with the trash on the drive, Ctrl+A and Delete in the Directories table moved
    // Trash/info into Trash/files, orphaning every record. The trash folders, what lies inside them
    // and what holds them stay.
    ScopedEnv data("XDG_DATA_HOME", m_driveC + "/home/share");
    m_dir.MakeFile("C/home/share/Trash/files/old/x", "x");
    m_dir.MakeFile("C/home/share/Trash/info/old.trashinfo", "[Trash Info]\nPath=/old\n");
    m_dir.MakeFile("C/other/y", "y");
    const auto before = Tree(m_driveC + "/home");
    CListView_Table* dirs = OpenTable(Directories, 0);
    dirs->SelectAllItems();
    m_boxes.boxes.clear();

    Delete(dirs);

    ASSERT_EQ(m_boxes.boxes.size(), 2u);
    const std::string& text = m_boxes.boxes[1].text;
    for (const char* held : {"/home\n    it holds", "/home/share\n    it holds", "/Trash\n    it is a folder of",
                             "/Trash/files\n    it is a folder of", "/Trash/info\n    it is a folder of",
                             "/Trash/files/old\n    it lies inside"})
        EXPECT_NE(text.find(held), std::string::npos) << held << "\n" << text;
    auto after = Tree(m_driveC + "/home");
    EXPECT_EQ(after["share/Trash/files/other/y"], "y");
    EXPECT_NE(after["share/Trash/info/other.trashinfo"].find("\nPath=" + m_driveC + "/other\n"), std::string::npos);
    for (const auto& [path, bytes] : before) EXPECT_EQ(after[path], bytes) << path;
    EXPECT_FALSE(fs::exists(m_driveC + "/other"));
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
