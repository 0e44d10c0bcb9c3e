#include "platform/ListRows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Column0(const CListRows& rows) {
    std::vector<std::string> texts;
    for (int r = 0; r < rows.GetRowCount(); ++r) texts.emplace_back(rows.GetText(r, 0));
    return texts;
}

CListRows RowsOf(const std::vector<std::string>& texts, int columns = 2) {
    CListRows rows;
    rows.SetColumnCount(columns);
    for (const auto& text : texts) rows.InsertRow(rows.GetRowCount(), text, rows.GetRowCount());
    return rows;
}

TEST(ListRowsTest, InsertAppendsOrPlacesRowsWithTheirItemData) {
    CListRows rows;
    rows.SetColumnCount(3);
    EXPECT_EQ(rows.InsertRow(0, "b", 20), 0);
    EXPECT_EQ(rows.InsertRow(99, "d", 40), 1);  // past the end: appended
    EXPECT_EQ(rows.InsertRow(1, "c", 30), 1);
    EXPECT_EQ(rows.InsertRow(0, "a", 10), 0);
    EXPECT_EQ(rows.InsertRow(-1, "never", 0), -1);
    EXPECT_EQ(Column0(rows), (std::vector<std::string>{"a", "b", "c", "d"}));
    for (int r = 0; r < 4; ++r) EXPECT_EQ(rows.GetData(r), (r + 1) * 10);
    EXPECT_TRUE(rows.SetData(2, 7));
    EXPECT_EQ(rows.GetData(2), 7);
    EXPECT_FALSE(rows.SetData(4, 7));
}

TEST(ListRowsTest, CellsNeverSetAndCellsOutOfRangeReadEmpty) {
    CListRows rows = RowsOf({"one", "two"}, 3);
    EXPECT_TRUE(rows.SetText(1, 2, "two/2"));
    struct Cell { int row, col; };
    for (const Cell cell : {Cell{0, 1}, Cell{0, 2}, Cell{1, 1}, Cell{-1, 0}, Cell{2, 0}, Cell{0, -1}, Cell{0, 3},
                            Cell{INT32_MAX, 0}, Cell{0, INT32_MAX}, Cell{INT32_MIN, INT32_MIN}}) {
        const std::string_view text = rows.GetText(cell.row, cell.col);
        EXPECT_TRUE(text.empty()) << cell.row << "," << cell.col;
        ASSERT_NE(text.data(), nullptr);
        EXPECT_EQ(*text.data(), '\0');
    }
    EXPECT_EQ(rows.GetText(1, 2), "two/2");
    EXPECT_FALSE(rows.SetText(2, 0, "no row"));
    EXPECT_FALSE(rows.SetText(0, 3, "no column"));
    EXPECT_EQ(rows.GetData(-1), 0);
}

TEST(ListRowsTest, SetTextOnTheLastAndOnOlderRows) {
    CListRows rows;
    rows.SetColumnCount(7);
    // As a result-line fill does: insert a row, then set its columns 1..6, some rows short.
    for (int r = 0; r < 50; ++r) {
        rows.InsertRow(r, "p" + std::to_string(r), r);
        for (int c = 1; c < (r % 3 == 0 ? 3 : 7); ++c)
            rows.SetText(r, c, std::to_string(r) + "/" + std::to_string(c));
    }
    rows.SetText(49, 6, "last again");
    rows.SetText(10, 1, "older row");
    rows.SetText(3, 6, "short row, later");
    rows.InsertRow(5, "in the middle", 99);
    rows.SetText(5, 4, "middle/4");
    EXPECT_EQ(rows.GetText(50, 6), "last again");
    EXPECT_EQ(rows.GetText(11, 1), "older row");
    EXPECT_EQ(rows.GetText(3, 6), "short row, later");
    EXPECT_EQ(rows.GetText(3, 5), "");
    EXPECT_EQ(rows.GetText(5, 0), "in the middle");
    EXPECT_EQ(rows.GetText(5, 4), "middle/4");
    EXPECT_EQ(rows.GetText(5, 3), "");
    EXPECT_EQ(rows.GetText(6, 2), "5/2");
    EXPECT_EQ(rows.GetText(48, 6), "47/6");
    EXPECT_EQ(rows.GetText(49, 6), "");  // row 48 was a short one
}

TEST(ListRowsTest, DeleteRowAndDeleteRows) {
    CListRows rows = RowsOf({"a", "b", "c", "d", "e", "f"});
    EXPECT_TRUE(rows.DeleteRow(1));
    EXPECT_FALSE(rows.DeleteRow(5));
    EXPECT_FALSE(rows.DeleteRow(-1));
    EXPECT_EQ(Column0(rows), (std::vector<std::string>{"a", "c", "d", "e", "f"}));
    // Out-of-range and repeated positions are ignored.
    EXPECT_EQ(rows.DeleteRows({-3, 0, 2, 2, 4, 9}), 3);
    EXPECT_EQ(Column0(rows), (std::vector<std::string>{"c", "e"}));
    EXPECT_EQ(rows.GetData(0), 2);
    EXPECT_EQ(rows.GetData(1), 4);
    EXPECT_EQ(rows.DeleteRows({0, 1}), 2);
    EXPECT_EQ(rows.GetRowCount(), 0);
    EXPECT_EQ(rows.TextBytes(), 0u);  // the last row gone: the texts are freed
}

TEST(ListRowsTest, DeletingMostRowsKeepsTheRestRightWhenTheStorageShrinks) {
    std::vector<std::string> texts;
    for (int i = 0; i < 20000; ++i) texts.push_back("row " + std::to_string(i));
    CListRows rows = RowsOf(texts);
    for (int r = 0; r < rows.GetRowCount(); r += 7) rows.SetText(r, 1, "seventh " + std::to_string(r));
    const std::uint64_t bytesBefore = rows.TextBytes();
    std::vector<int> doomed;
    for (int r = 0; r < 20000; ++r)
        if (r % 10 != 0) doomed.push_back(r);
    EXPECT_EQ(rows.DeleteRows(doomed), 18000);
    ASSERT_EQ(rows.GetRowCount(), 2000);
    for (int r = 0; r < 2000; ++r) {
        ASSERT_EQ(rows.GetText(r, 0), "row " + std::to_string(r * 10));
        ASSERT_EQ(rows.GetData(r), r * 10);
        const int old = r * 10;
        ASSERT_EQ(rows.GetText(r, 1), old % 7 == 0 ? "seventh " + std::to_string(old) : "");
    }
    EXPECT_LT(rows.TextBytes(), bytesBefore / 5);  // the deleted texts went
    rows.InsertRow(2000, "new", 1);
    rows.SetText(2000, 1, "new/1");
    EXPECT_EQ(rows.GetText(2000, 1), "new/1");
    EXPECT_EQ(rows.GetText(1999, 0), "row 19990");
}

TEST(ListRowsTest, TakeRowsMovesTheColumnsInWithoutCopying) {
    // As a fill hands over the column arrays of its scan.
    CTextColumn scanned[4];
    for (int i = 0; i < 3; ++i) {
        scanned[0].Add("path" + std::to_string(i));
        scanned[1].Add("name" + std::to_string(i));
    }
    // Column 2 stays empty (as in a Directories table); column 3 is longer than column 0.
    for (int i = 0; i < 5; ++i) scanned[3].Add("long" + std::to_string(i));
    const char* path1 = scanned[0][1].data();
    const char* name2 = scanned[1][2].data();

    CListRows rows;
    rows.SetColumnCount(4);
    std::vector<CTextColumn> columns;
    for (auto& column : scanned) columns.push_back(std::move(column));
    rows.TakeRows(std::move(columns));
    ASSERT_EQ(rows.GetRowCount(), 3);
    EXPECT_EQ(rows.GetText(1, 0).data(), path1);  // the very bytes the scan wrote
    EXPECT_EQ(rows.GetText(2, 1).data(), name2);
    EXPECT_EQ(rows.GetText(2, 2), "");
    EXPECT_EQ(rows.GetText(2, 3), "long2");
    for (int r = 0; r < 3; ++r) EXPECT_EQ(rows.GetData(r), r);
    for (const auto& column : scanned) {
        EXPECT_TRUE(column.IsEmpty());
        EXPECT_EQ(column.HeapBytes(), 0u);
    }

    // A row added later must not pick up the elements that lay past the last row.
    rows.InsertRow(3, "path3", 3);
    EXPECT_EQ(rows.GetText(3, 3), "");
    rows.SetText(3, 2, "ext3");
    EXPECT_EQ(rows.GetText(3, 2), "ext3");
}

TEST(ListRowsTest, TakeRowsIntoAStoreWithRowsAppendsThem) {
    CListRows rows = RowsOf({"old"});
    std::vector<CTextColumn> columns(3);  // one more than the store has: dropped
    columns[0].Add("new");
    columns[1].Add("new/1");
    columns[2].Add("new/2");
    rows.TakeRows(std::move(columns));
    EXPECT_EQ(Column0(rows), (std::vector<std::string>{"old", "new"}));
    EXPECT_EQ(rows.GetText(1, 1), "new/1");
    EXPECT_EQ(rows.GetText(1, 2), "");
    EXPECT_EQ(rows.GetData(1), 1);
}

// ---- sorting with comparisons of the table's kind: 1 when the first row goes after the second

struct SortSetup {
    const CListRows* rows = nullptr;
    int column = 0;
    bool descending = false;
    bool numeric = false;
    std::vector<std::string> before;  // column texts in the order from before the sort
    long calls = 0;
    long staleReads = 0;   // a cell read by an item-data row number that was not the old row's
    long outOfRange = 0;
};
SortSetup g_sort;

int CompareRows(std::intptr_t a, std::intptr_t b, std::intptr_t context) {
    const auto* rows = reinterpret_cast<const CListRows*>(context);
    ++g_sort.calls;
    if (a < 0 || b < 0 || a >= rows->GetRowCount() || b >= rows->GetRowCount()) ++g_sort.outOfRange;
    const std::string_view ta = rows->GetText(static_cast<int>(a), g_sort.column);
    const std::string_view tb = rows->GetText(static_cast<int>(b), g_sort.column);
    if (!g_sort.before.empty()) {
        if (ta != g_sort.before[static_cast<std::size_t>(a)] || tb != g_sort.before[static_cast<std::size_t>(b)])
            ++g_sort.staleReads;
    }
    int order;  // <0, 0, >0
    if (g_sort.numeric) {
        const double va = std::atof(ta.data()), vb = std::atof(tb.data());
        order = va < vb ? -1 : va > vb ? 1 : 0;
    } else {
        order = ta.compare(tb);
    }
    return g_sort.descending ? (order <= 0 ? 1 : 0) : (order > 0 ? 1 : 0);
}

void SortBy(CListRows& rows, int column, bool descending, bool numeric) {
    g_sort = SortSetup{&rows, column, descending, numeric, {}, 0, 0, 0};
    for (int r = 0; r < rows.GetRowCount(); ++r) g_sort.before.emplace_back(rows.GetText(r, column));
    rows.Sort(CompareRows, reinterpret_cast<std::intptr_t>(&rows));
    EXPECT_EQ(g_sort.staleReads, 0) << "the comparison must read the rows as they stood before the sort";
    EXPECT_EQ(g_sort.outOfRange, 0);
}

// Renumbers item data as the table does after every sort.
void Renumber(CListRows& rows) {
    for (int r = 0; r < rows.GetRowCount(); ++r) rows.SetData(r, r);
}

// Random edits against a plain vector of rows: the stored order, item data and slots that the
// store keeps only when needed (after a sort, an insert in the middle, deletes) never show.
TEST(ListRowsTest, RandomEditsMatchAPlainTableOfRows) {
    struct Row {
        std::vector<std::string> cells;
        std::intptr_t data;
    };
    std::mt19937 random(7);
    for (int round = 0; round < 4; ++round) {
        std::vector<Row> reference;
        CListRows rows;
        rows.SetColumnCount(3);
        std::vector<CTextColumn> columns(3);
        const int taken = round % 2 ? 5000 : 0;
        for (int i = 0; i < taken; ++i) {
            Row row{{"t" + std::to_string(i), i % 3 ? "c" + std::to_string(i) : "", ""}, i};
            for (int c = 0; c < 2; ++c) columns[static_cast<std::size_t>(c)].Add(row.cells[static_cast<std::size_t>(c)]);
            reference.push_back(row);
        }
        rows.TakeRows(std::move(columns));
        for (int step = 0; step < 400; ++step) {
            const int count = static_cast<int>(reference.size());
            const int row = count ? static_cast<int>(random() % static_cast<unsigned>(count)) : 0;
            switch (random() % 9) {
            case 0:
            case 1: {  // insert anywhere, mostly at the end
                const int at = random() % 3 ? count + static_cast<int>(random() % 3) : row;
                const auto data = static_cast<std::intptr_t>(random() % 2 ? reference.size() : random() % 50);
                const std::string text = "n" + std::to_string(step);
                ASSERT_EQ(rows.InsertRow(at, text, data), std::min(at, count));
                reference.insert(reference.begin() + std::min(at, count), Row{{text, "", ""}, data});
                break;
            }
            case 2: {
                if (!count) break;
                const int col = 1 + static_cast<int>(random() % 2);
                const std::string text = "s" + std::to_string(step);
                ASSERT_TRUE(rows.SetText(row, col, text));
                reference[static_cast<std::size_t>(row)].cells[static_cast<std::size_t>(col)] = text;
                break;
            }
            case 3:
                if (!count) break;
                rows.SetData(row, step);
                reference[static_cast<std::size_t>(row)].data = step;
                break;
            case 4: {
                if (!count) break;
                const int which = random() % 2 ? count - 1 : row;
                rows.DeleteRow(which);
                reference.erase(reference.begin() + which);
                break;
            }
            case 5: {  // many at once: now and then most of them, which rebuilds the storage
                std::vector<int> doomed;
                const unsigned share = step % 50 == 0 ? 90 : 10;
                for (int r = 0; r < count; ++r)
                    if (random() % 100 < share) doomed.push_back(r);
                EXPECT_EQ(rows.DeleteRows(doomed), static_cast<int>(doomed.size()));
                for (auto it = doomed.rbegin(); it != doomed.rend(); ++it) reference.erase(reference.begin() + *it);
                break;
            }
            case 6: {
                for (int r = 0; r < count; ++r) {  // as the table renumbers after every sort
                    rows.SetData(r, r);
                    reference[static_cast<std::size_t>(r)].data = r;
                }
                SortBy(rows, 0, random() % 2 == 0, false);
                std::vector<Row> sorted;
                for (int r = 0; r < rows.GetRowCount(); ++r) {  // item data names the row it was
                    const auto was = static_cast<std::size_t>(rows.GetData(r));
                    ASSERT_LT(was, reference.size());
                    ASSERT_EQ(rows.GetText(r, 0), reference[was].cells[0]);
                    sorted.push_back(reference[was]);
                }
                reference = std::move(sorted);
                break;
            }
            default:
                break;
            }
            ASSERT_EQ(rows.GetRowCount(), static_cast<int>(reference.size()));
            if (step % 20 == 0 || reference.size() < 50) {
                for (int r = 0; r < rows.GetRowCount(); ++r) {
                    for (int c = 0; c < 3; ++c)
                        ASSERT_EQ(rows.GetText(r, c), reference[static_cast<std::size_t>(r)].cells[static_cast<std::size_t>(c)])
                            << "round " << round << " step " << step << " row " << r;
                    ASSERT_EQ(rows.GetData(r), reference[static_cast<std::size_t>(r)].data) << "step " << step;
                }
            }
        }
    }
}

TEST(ListRowsTest, SortMatchesAReferenceInBothDirectionsOnRandomData) {
    std::mt19937 random(12345);
    for (const bool numeric : {false, true}) {
        for (const bool descending : {false, true}) {
            CListRows rows;
            rows.SetColumnCount(2);
            std::vector<std::pair<std::string, std::string>> reference;  // (key, row id)
            for (int i = 0; i < 3001; ++i) {
                const std::string key = numeric ? std::to_string(random() % 500)  // many equal keys
                                                : std::string(1, static_cast<char>('A' + random() % 58)) +
                                                      std::to_string(random() % 100);
                const std::string id = "row" + std::to_string(i);
                rows.InsertRow(i, id, i);
                rows.SetText(i, 1, key);
                reference.emplace_back(key, id);
            }
            SortBy(rows, 1, descending, numeric);

            std::vector<std::string> expected;
            auto value = [&](const std::string& key) { return numeric ? std::atof(key.c_str()) : 0.0; };
            std::stable_sort(reference.begin(), reference.end(), [&](const auto& x, const auto& y) {
                if (numeric) return descending ? value(x.first) > value(y.first) : value(x.first) < value(y.first);
                return descending ? x.first > y.first : x.first < y.first;
            });
            for (const auto& entry : reference) expected.push_back(entry.first);
            std::vector<std::string> got;
            std::set<std::string> ids;
            for (int r = 0; r < rows.GetRowCount(); ++r) {
                got.emplace_back(rows.GetText(r, 1));
                ids.emplace(rows.GetText(r, 0));
                // Item data moved with its row: it still names the row's place before the sort.
                EXPECT_EQ(rows.GetText(r, 0), "row" + std::to_string(rows.GetData(r)));
            }
            EXPECT_EQ(got, expected) << "numeric " << numeric << ", descending " << descending;
            EXPECT_EQ(ids.size(), 3001u);
        }
    }
}

TEST(ListRowsTest, TenThousandEqualRowsEndOrderedWithEveryRowOnceInBothDirections) {
    // The descending comparison answers 1 for both orders of two equal rows: with std::sort that
    // is undefined behaviour and runs past the ends of the array.
    CListRows rows;
    rows.SetColumnCount(2);
    for (int i = 0; i < 10000; ++i) {
        rows.InsertRow(i, "same", i);
        rows.SetText(i, 1, "id" + std::to_string(i));
    }
    for (const bool descending : {false, true, true, false}) {
        SortBy(rows, 0, descending, false);
        std::set<std::string> ids;
        for (int r = 0; r < rows.GetRowCount(); ++r) {
            ASSERT_EQ(rows.GetText(r, 0), "same");
            ids.emplace(rows.GetText(r, 1));
        }
        EXPECT_EQ(ids.size(), 10000u);
        EXPECT_LE(g_sort.calls, 10000L * 14);  // n log n, no endless re-ordering
        Renumber(rows);
    }
}

TEST(ListRowsTest, ASecondSortAfterRenumberingComparesTheRightCells) {
    CListRows rows;
    rows.SetColumnCount(3);
    const std::vector<std::pair<std::string, std::string>> cells = {
        {"Zeta", "10"}, {"alpha", "9"}, {"beta", ""}, {"Alpha", "100"}, {"zeta", "9"}};
    for (std::size_t i = 0; i < cells.size(); ++i) {
        rows.InsertRow(static_cast<int>(i), cells[i].first, static_cast<std::intptr_t>(i));
        rows.SetText(static_cast<int>(i), 1, cells[i].second);
    }
    SortBy(rows, 0, false, false);
    EXPECT_EQ(Column0(rows), (std::vector<std::string>{"Alpha", "Zeta", "alpha", "beta", "zeta"}));
    Renumber(rows);
    SortBy(rows, 1, false, true);
    std::vector<std::string> lengths;
    for (int r = 0; r < rows.GetRowCount(); ++r) lengths.emplace_back(rows.GetText(r, 1));
    EXPECT_EQ(lengths, (std::vector<std::string>{"", "9", "9", "10", "100"}));
    EXPECT_EQ(rows.GetText(0, 0), "beta");
    EXPECT_EQ(rows.GetText(4, 0), "Alpha");
}

TEST(ListRowsTest, SortOfNoRowAndOfOneRowCallsNothing) {
    for (const int n : {0, 1}) {
        CListRows rows = RowsOf(std::vector<std::string>(static_cast<std::size_t>(n), "x"));
        SortBy(rows, 0, true, false);
        EXPECT_EQ(g_sort.calls, 0);
        EXPECT_EQ(rows.GetRowCount(), n);
    }
}

}  // namespace
