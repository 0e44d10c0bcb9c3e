#include "commands/ResultLines.h"
#include "commands/TableWindowsFixture.h"

#include "app/MainFrame.h"
#include "app/Resource.h"
#include "app/ZorbinApp.h"
#include "platform/Document.h"
#include "table/ListView_Table.h"
#include "table/TableKind.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

Row FileRow(const std::string& dir, const std::string& name, int length) {
    return {dir + "/" + name, name, "", std::to_string(length), "01/02/2024 10:00:00", "02/02/2024 11:00:00",
            "03/02/2024 12:00:00"};
}

class FindDoublesTest : public TableWindowsFixture {
protected:
    // A Files table of drive C holding the given rows, titled as a sort by Name titles it.
    CListView_Table* SortedFilesTable(const std::vector<Row>& rows) {
        CListView_Table* table = OpenTable(Files, 0);
        SetRows(table, rows);
        table->GetDocument()->SetTitle("C: Files (Name -> AZ)");
        return table;
    }
    void MenuCommand(int nID) { static_cast<CMainFrame*>(theApp.m_pMainWnd)->OnCommand(nID); }
};

}  // namespace

TEST_F(FindDoublesTest, NeighbouringRunsOfEqualNameAndLengthGoWholeAndInOrder) {
    struct Case {
        const char* what;
        std::vector<Row> rows;
        std::vector<int> doubles;  // indices of the rows the Doubles table shows
    };
    const std::string d = m_driveC;
    const Case cases[] = {
        {"two runs", {FileRow(d + "/1", "x", 10), FileRow(d + "/2", "x", 10), FileRow(d + "/1", "y", 5), FileRow(d + "/2", "y", 5)}, {0, 1, 2, 3}},
        {"equal rows apart", {FileRow(d + "/1", "x", 10), FileRow(d + "/2", "x", 20), FileRow(d + "/3", "x", 10)}, {}},
        {"three equal rows", {FileRow(d + "/1", "x", 10), FileRow(d + "/2", "x", 10), FileRow(d + "/3", "x", 10)}, {0, 1, 2}},
        {"case differs", {FileRow(d + "/1", "a.txt", 3), FileRow(d + "/2", "A.txt", 3)}, {}},
        {"length differs", {FileRow(d + "/1", "x", 10), FileRow(d + "/2", "x", 11)}, {}},
        {"single rows between runs", {FileRow(d, "a", 1), FileRow(d + "/1", "b", 2), FileRow(d + "/2", "b", 2), FileRow(d, "c", 3), FileRow(d + "/1", "d", 4), FileRow(d + "/2", "d", 4)}, {1, 2, 4, 5}},
        {"one row", {FileRow(d, "x", 10)}, {}},
        {"no rows", {}, {}},
    };
    for (const Case& c : cases) {
        CListView_Table* files = SortedFilesTable(c.rows);
        const int windows = WindowCount();
        files->FindDoubles();

        CListView_Table* doubles = ActiveTable();
        ASSERT_NE(doubles, files) << c.what;
        EXPECT_EQ(WindowCount(), windows + 1) << c.what;
        EXPECT_EQ(doubles->m_nKind, Doubles) << c.what;
        EXPECT_EQ(doubles->GetDocument()->GetTitle(), "C: Doubles") << c.what;
        std::vector<Row> expected;
        for (int i : c.doubles) expected.push_back(c.rows[i]);
        EXPECT_EQ(Rows(doubles), HandedOver(expected)) << c.what;
        EXPECT_TRUE(g_aResultLines.IsEmpty()) << c.what;
    }
    EXPECT_TRUE(m_boxes.boxes.empty());
}

TEST_F(FindDoublesTest, FilesOfATreeSortedByNameThroughTheMenu) {
    m_dir.MakeFile("C/one/x", std::string(10, 'x'));
    m_dir.MakeFile("C/two/x", std::string(10, 'X'));
    m_dir.MakeFile("C/one/y", "yyyyy");
    m_dir.MakeFile("C/two/y", "YYYYY");
    m_dir.MakeFile("C/one/a.txt", "abc");
    m_dir.MakeFile("C/two/A.txt", "abc");
    m_dir.MakeFile("C/one/w", "1234567");
    m_dir.MakeFile("C/two/w", "12345678");
    m_dir.MakeFile("C/z", "z");
    CListView_Table* files = OpenTable(Files, 0);
    ASSERT_EQ(files->GetItemCount(), 9);
    files->OnColumnClick(1);
    ASSERT_NE(files->GetDocument()->GetTitle().find("Name"), std::string::npos);

    MenuCommand(ID_FIND_DOUBLES);

    CListView_Table* doubles = ActiveTable();
    ASSERT_EQ(doubles->m_nKind, Doubles);
    const std::vector<Row> rows = Rows(doubles);
    ASSERT_EQ(rows.size(), 4u);
    // The runs in name order, each with the file of both folders (in walk order).
    const bool ascending = rows[0][1] == " x";
    for (int run = 0; run < 2; ++run) {
        const std::string name = (run == 0) == ascending ? "x" : "y";
        std::vector<std::string> paths = {rows[2 * run][0], rows[2 * run + 1][0]};
        std::sort(paths.begin(), paths.end());
        EXPECT_EQ(paths, (std::vector<std::string>{" " + m_driveC + "/one/" + name, " " + m_driveC + "/two/" + name}));
        EXPECT_EQ(rows[2 * run][1], " " + name);
        EXPECT_EQ(rows[2 * run + 1][1], " " + name);
    }
    EXPECT_TRUE(m_boxes.boxes.empty());
}

TEST_F(FindDoublesTest, RefusesOutsideAFilesTableSortedByName) {
    const std::string wrongKind = "Find doubles works only in \"Files\" table, sorted by \"Name of File\"";
    const std::string unsorted = "At first please sort out the table by \"Name\"";
    m_dir.MakeFile("C/a", "1");
    m_dir.MakeFile("C/b", "22");
    CListView_Table* tables[] = {ActiveTable(), OpenTable(Directories, 0), OpenTable(Doubles, 0), OpenTable(Found, 0)};
    CListView_Table* files = OpenTable(Files, 0);

    struct Case {
        CListView_Table* table;
        int sortColumn;  // -1: none
        std::string message;
    };
    const Case cases[] = {
        {tables[0], -1, wrongKind}, {tables[1], -1, wrongKind}, {tables[2], -1, wrongKind},
        {tables[3], 1, wrongKind},  // a sort by Name does not make a Found table a Files table
        {files, -1, unsorted},      {files, 3, unsorted},
    };
    g_aResultLines.Add("left alone");
    for (const Case& c : cases) {
        if (c.sortColumn >= 0) c.table->OnColumnClick(c.sortColumn);
        m_boxes.boxes.clear();
        g_nNextTable = 77;
        const int windows = WindowCount();
        c.table->FindDoubles();
        ASSERT_EQ(m_boxes.boxes.size(), 1u) << c.table->GetDocument()->GetTitle();
        EXPECT_EQ(m_boxes.boxes[0].text, c.message);
        EXPECT_EQ(m_boxes.boxes[0].type, unsigned(MB_ICONINFORMATION));
        EXPECT_EQ(WindowCount(), windows);
        EXPECT_EQ(g_nNextTable, 77);
        ASSERT_EQ(g_aResultLines.GetSize(), 1u);
    }
    g_aResultLines.RemoveAll();

    // Sorted by Name, in either direction, it runs.
    files->OnColumnClick(1);
    files->OnColumnClick(1);
    ASSERT_NE(files->GetDocument()->GetTitle().find("(Name -> "), std::string::npos);
    m_boxes.boxes.clear();
    files->FindDoubles();
    EXPECT_TRUE(m_boxes.boxes.empty());
    EXPECT_EQ(ActiveTable()->m_nKind, Doubles);
}

TEST_F(FindDoublesTest, DoublesTableCarriesTheLetterOfTheDriveSearched) {
    // Fault mended: the Doubles table took its letter from g_nDrive, the drive opened last, so a
    // search in C's Files table after D was opened was titled "D: Doubles".
    m_dir.MakeFile("C/1/x", "x");
    m_dir.MakeFile("C/2/x", "x");
    CListView_Table* filesC = OpenTable(Files, 0);
    OpenTable(Files, 1);  // D: opened last
    ASSERT_EQ(g_nDrive, 1);
    filesC->OnColumnClick(1);

    filesC->FindDoubles();

    EXPECT_EQ(ActiveTable()->GetDocument()->GetTitle(), "C: Doubles");
    EXPECT_EQ(ActiveTable()->GetItemCount(), 2);
}
