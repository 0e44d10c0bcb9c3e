#include "table/TableFixture.h"

#include "platform/Document.h"
#include "platform/MDIFrameWnd.h"
#include "table/ListView_Table.h"
#include "table/SortGlobals.h"
#include "table/TableKind.h"

#include <QApplication>

#include <algorithm>
#include <set>

namespace {

enum { kPath = 0, kName = 1, kExt = 2, kLength = 3, kCreated = 4, kModified = 5 };

using Cells = std::vector<std::string>;

// A Found table with one row per entry of `rows`: path, name, length, modified; the other cells empty.
struct RowSpec {
    std::string path, name, length, modified;
};


// Every row as the tuple of its cells, in table order.
std::vector<Cells> AllRows(const CListView_Table* table) {
    std::vector<Cells> rows;
    for (int r = 0; r < table->GetItemCount(); ++r) {
        Cells row;
        for (int c = 0; c < 7; ++c) row.emplace_back(table->GetItemText(r, c));
        rows.push_back(row);
    }
    return rows;
}

class TableSortTest : public TableFixture {
protected:
    void SetUp() override { Start("C=" + m_dir.MakeDir("C")); }

    static CListView_Table* OpenRows(const std::vector<RowSpec>& rows) {
        std::vector<std::string> lines;
        for (const RowSpec& row : rows)
            lines.push_back(ResultLine({row.path, row.name, "", row.length, "", row.modified, ""}));
        return OpenFromLines(Found, lines);
    }
};

TEST_F(TableSortTest, FirstClickSortsAscendingAndTheNextDescendingInAnyTable) {
    CListView_Table* first = OpenRows({{"/b", "b", "2", ""}, {"/a", "a", "1", ""}, {"/c", "c", "3", ""}});
    CListView_Table* second = OpenRows({{"/x", "x", "5", ""}, {"/y", "y", "7", ""}, {"/z", "z", "6", ""}});
    ASSERT_TRUE(first && second);
    const std::string base = first->GetDocument()->GetTitle();

    ClickHeader(first, kName);
    EXPECT_EQ(Column(first, kName), (Cells{" a", " b", " c"}));
    EXPECT_EQ(first->GetDocument()->GetTitle(), base + " (Name -> AZ)");
    // The direction is one for the whole program: this table has never been sorted.
    ClickHeader(second, kLength);
    EXPECT_EQ(Column(second, kLength), (Cells{" 7", " 6", " 5"}));
    EXPECT_EQ(second->GetDocument()->GetTitle(), base + " (Length -> ZA)");
    // And the third ascending again. Suffixes do not pile up; the table's own title stays.
    ClickHeader(first, kLength);
    EXPECT_EQ(Column(first, kLength), (Cells{" 1", " 2", " 3"}));
    EXPECT_EQ(first->GetDocument()->GetTitle(), base + " (Length -> AZ)");
    EXPECT_EQ(first->m_strTitle, base);
}

TEST_F(TableSortTest, NumbersByValueTextByBytes) {
    CListView_Table* table = OpenRows({{"/1", "alpha", "10", ""},
                                       {"/2", "Zeta", "9", ""},
                                       {"/3", "\xC3\x84rger", "", ""},
                                       {"/4", "beta", "100", ""},
                                       {"/5", "Alpha", "-1", ""}});
    ASSERT_NE(table, nullptr);
    SortBy(table, kLength, false);
    EXPECT_EQ(Column(table, kLength), (Cells{" -1", " ", " 9", " 10", " 100"}));  // empty counts as 0
    SortBy(table, kLength, true);
    EXPECT_EQ(Column(table, kLength), (Cells{" 100", " 10", " 9", " ", " -1"}));
    // Byte order, unsigned: capitals before small letters, UTF-8 after both.
    SortBy(table, kName, false);
    EXPECT_EQ(Column(table, kName), (Cells{" Alpha", " Zeta", " alpha", " beta", " \xC3\x84rger"}));
    SortBy(table, kName, true);
    EXPECT_EQ(Column(table, kName), (Cells{" \xC3\x84rger", " beta", " alpha", " Zeta", " Alpha"}));
}

TEST_F(TableSortTest, DatesSortAsPointsInTimeWhateverTheLocale) {
    // Times were compared by the user's locale's reading of the text, which takes 01/02/2024 for
    // 2 January where it reads month first. They are Zorbin's own day/month/year texts.
    CListView_Table* table = OpenRows({{"/a", "a", "", "01/02/2024 00:00:00"},
                                       {"/b", "b", "", "31/01/2024 23:59:59"},
                                       {"/c", "c", "", "01/01/2025 00:00:00"},
                                       {"/d", "d", "", ""},
                                       {"/e", "e", "", "31/12/2024 23:59:59"},
                                       {"/f", "f", "", "12/01/2024 10:00:00"},
                                       {"/g", "g", "", "no time"},
                                       {"/h", "h", "", "31/12/2024 23:59:58"}});
    ASSERT_NE(table, nullptr);
    SortBy(table, kModified, false);
    // Cells that are no time go first, in either order between them.
    const Cells ascending = Column(table, kModified);
    ASSERT_EQ(ascending.size(), 8u);
    EXPECT_EQ(Cells(ascending.begin() + 2, ascending.end()),
              (Cells{" 12/01/2024 10:00:00", " 31/01/2024 23:59:59", " 01/02/2024 00:00:00", " 31/12/2024 23:59:58",
                     " 31/12/2024 23:59:59", " 01/01/2025 00:00:00"}));
    EXPECT_EQ(std::set<std::string>(ascending.begin(), ascending.begin() + 2), (std::set<std::string>{" ", " no time"}));
    SortBy(table, kModified, true);
    const Cells descending = Column(table, kModified);
    EXPECT_EQ(Cells(descending.begin(), descending.begin() + 6),
              (Cells{" 01/01/2025 00:00:00", " 31/12/2024 23:59:59", " 31/12/2024 23:59:58", " 01/02/2024 00:00:00",
                     " 31/01/2024 23:59:59", " 12/01/2024 10:00:00"}));
}

TEST_F(TableSortTest, TenThousandEqualCellsSortInBothDirections) {
    // The descending comparison answers 1 for both orders of two equal rows; a sort that needs a
    // strict weak ordering reads out of range on it. The rows must all stay, each once.
    std::vector<RowSpec> rows;
    for (int i = 0; i < 10000; ++i) rows.push_back({"/p" + std::to_string(i), "same", "5", "01/01/2024 00:00:00"});
    CListView_Table* table = OpenRows(rows);
    ASSERT_NE(table, nullptr);
    std::vector<Cells> before = AllRows(table);
    std::sort(before.begin(), before.end());
    for (const bool bDescending : {false, true, false, true}) {
        for (const int column : {kName, kLength, kModified}) {
            SortBy(table, column, bDescending);
            std::vector<Cells> after = AllRows(table);
            std::sort(after.begin(), after.end());
            EXPECT_EQ(after, before);
            ExpectItemDataIsRowNumber(table);
        }
    }
}

TEST_F(TableSortTest, ASecondSortComparesTheRightCells) {
    // Mixed so that sorting by Name moves every row away from its fill position.
    std::vector<RowSpec> rows;
    for (int i = 0; i < 200; ++i)
        rows.push_back({"/p" + std::to_string(i), "n" + std::to_string((i * 37) % 200 + 1000),
                        std::to_string((i * 91) % 200), ""});
    CListView_Table* table = OpenRows(rows);
    ASSERT_NE(table, nullptr);
    std::vector<Cells> before = AllRows(table);
    std::sort(before.begin(), before.end());

    SortBy(table, kName, false);
    ExpectItemDataIsRowNumber(table);
    SortBy(table, kLength, false);
    ExpectItemDataIsRowNumber(table);
    const Cells lengths = Column(table, kLength);
    EXPECT_TRUE(std::is_sorted(lengths.begin(), lengths.end(),
                               [](const std::string& a, const std::string& b) { return std::stoi(a) < std::stoi(b); }));
    std::vector<Cells> after = AllRows(table);
    std::sort(after.begin(), after.end());
    EXPECT_EQ(after, before) << "cells of a row were split up";
}

TEST_F(TableSortTest, ProgressAndStatusTextOfASort) {
    std::vector<RowSpec> rows;
    for (int i = 0; i < 7; ++i) rows.push_back({"/p" + std::to_string(i), "n", std::to_string(7 - i), ""});
    CListView_Table* table = OpenRows(rows);
    ASSERT_NE(table, nullptr);
    ProgressRecorder progress;
    ClickHeader(table, kLength);
    ASSERT_FALSE(progress.steps.empty());
    EXPECT_EQ(progress.steps[0].pane, " sort by Length ...");
    EXPECT_EQ(progress.steps[0].pos, 0);
    // Renumbering row r sets r * 100 / 7, each position once.
    EXPECT_EQ(progress.Positions(1), (std::vector<int>{0, 14, 28, 42, 57, 71, 85}));
    EXPECT_FALSE(table->m_scanner.m_wndProgress.HasWindow());
    EXPECT_TRUE(table->m_bIdle);
    EXPECT_TRUE(table->isVisible());
    // The table keeps the focus through the sort, so the sort text goes at the end.
    EXPECT_EQ(QApplication::focusWidget(), table);
    EXPECT_EQ(Pane0(), "");
}

TEST_F(TableSortTest, EmptyTableSortsWithoutRows) {
    CListView_Table* table = OpenFromLines(Found, {});
    ASSERT_NE(table, nullptr);
    const bool bWasDescending = g_bSortDescending;
    ProgressRecorder progress;
    ClickHeader(table, kName);
    EXPECT_NE(g_bSortDescending, bWasDescending);
    EXPECT_EQ(progress.Positions(), (std::vector<int>{0}));  // the bar shows, nothing is renumbered
    ASSERT_FALSE(progress.steps.empty());
    EXPECT_EQ(progress.steps[0].pane, " sort by Name ...");
    EXPECT_FALSE(table->m_scanner.m_wndProgress.HasWindow());
    EXPECT_EQ(table->GetDocument()->GetTitle(),
              table->m_strTitle + (g_bSortDescending ? " (Name -> ZA)" : " (Name -> AZ)"));
}

TEST_F(TableSortTest, TitleTellsFindDoublesWhetherTheFilesTableWasSortedByName) {
    m_dir.MakeFile("C/b", "22");
    m_dir.MakeFile("C/a", "1");
    CListView_Table* files = Open(Files, 0);
    ASSERT_NE(files, nullptr);
    ClickHeader(files, kPath);
    EXPECT_EQ(files->GetDocument()->GetTitle().find("Name"), std::string::npos);
    ClickHeader(files, kName);
    const std::string title = files->GetDocument()->GetTitle();
    EXPECT_TRUE(title == "C: Files (Name -> AZ)" || title == "C: Files (Name -> ZA)") << title;
    ClickHeader(files, kLength);
    EXPECT_EQ(files->GetDocument()->GetTitle().find("Name"), std::string::npos);
}

}  // namespace
