#include "store/ListRows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

std::size_t Ix(std::intptr_t i) { return static_cast<std::size_t>(i); }

// What the store must always read as: a plain vector of rows.
struct Row {
    std::vector<std::string> cells;
    std::intptr_t data;
};

// The table's kind of comparison: cells read by item data, 1 when the first row goes after the
// second. It counts reads out of range or of rows already moved against the rows as they stood.
struct SortByColumn {
    const CListRows* rows;
    const std::vector<Row>& before;
    int column;
    bool descending;
    int bad;
};

int CompareCells(std::intptr_t a, std::intptr_t b, std::intptr_t context) {
    auto& sort = *reinterpret_cast<SortByColumn*>(context);
    if (std::min(a, b) < 0 || std::max(a, b) >= std::ssize(sort.before)) return ++sort.bad, 0;
    const CCellText cellA = sort.rows->GetText(static_cast<int>(a), sort.column);
    const CCellText cellB = sort.rows->GetText(static_cast<int>(b), sort.column);
    const std::string_view ta = cellA, tb = cellB;
    sort.bad += ta != sort.before[Ix(a)].cells[Ix(sort.column)] || tb != sort.before[Ix(b)].cells[Ix(sort.column)];
    return sort.descending ? ta.compare(tb) <= 0 : ta.compare(tb) > 0;
}

// Random edits and sorts against a plain vector of rows: the order, item data and slots the store keeps only when
// needed (after an insert in the middle, a sort, deletes, a rebuild) never show. Every cell reads as in the vector,
// those one past every edge included (empty, NUL-terminated for atof).
TEST(ListRowsTest, RandomEditsAndSortsReadAsAPlainVectorOfRows) {
    auto pick = [gen = std::mt19937(1)](int n) mutable { return static_cast<int>(gen() % static_cast<unsigned>(n)); };
    const auto key = [&pick] { return pick(5) ? "k" + std::to_string(pick(4)) : std::string(); };  // many ties
    CListRows rows;
    std::vector<Row> table;
    int columns = 3;
    rows.SetColumnCount(columns);
    for (int step = 0; step < 2000; ++step) {
        const int count = static_cast<int>(table.size()), row = pick(count + 2) - 1, op = pick(12);
        const bool isRow = row >= 0 && row < count;  // the row is past either end at times
        bool rebuilt = false;                        // the texts of deleted rows are gone
        if (op < 3) {  // at the front, anywhere (-1 refused), at or past the end; item data often the row's slot
                       // or place: it is stored only where it is not the slot
            const int at = op == 0 ? 0 : op == 1 ? row : count + pick(2);
            Row added{{key()}, std::vector<int>{count, std::max(at, 0), pick(1000)}[Ix(pick(3))]};
            added.cells.resize(Ix(columns));
            ASSERT_EQ(rows.InsertRow(at, added.cells[0], added.data), at < 0 ? -1 : std::min(at, count));
            if (at >= 0) table.insert(table.begin() + std::min(at, count), added);
        } else if (op < 5) {
            const int col = pick(columns + 2) - 1;
            const std::string text = key();
            ASSERT_EQ(rows.SetText(row, col, text), isRow && col >= 0 && col < columns);
            ASSERT_EQ(rows.SetData(row, step), isRow);
            if (isRow && col >= 0 && col < columns) table[Ix(row)].cells[Ix(col)] = text;
            if (isRow) table[Ix(row)].data = step;
        } else if (op == 5) {  // the last row (its slot goes too, while in slot order) or any
            const int which = pick(2) ? count - 1 : row;
            ASSERT_EQ(rows.DeleteRow(which), which >= 0 && which < count);
            if (which >= 0 && which < count) table.erase(table.begin() + which);
        } else if (op < 8) {  // ascending, stray and repeated positions ignored; most of a big table: a rebuild
            std::vector<int> doomed{-1};
            std::vector<Row> kept;
            for (int r = 0; r < count; ++r)
                if (pick(100) < (count >= 4096 || op == 7 ? 90 : 15))
                    doomed.insert(doomed.end(), pick(8) ? 1 : 2, r);
                else
                    kept.push_back(table[Ix(r)]);
            doomed.push_back(count);
            ASSERT_EQ(rows.DeleteRows(doomed), count - std::ssize(kept));
            // Texts of deleted rows go once they are thousands and outnumber the rows left.
            rebuilt = count - std::ssize(kept) >= 4096 && 2 * std::ssize(kept) < count;
            table = std::move(kept);
        } else if (op == 8) {  // whole columns of any lengths, any number: moved into an empty store, else appended
            std::vector<CTextColumn> handed(Ix(pick(columns + 2)));
            const int n = count == 0 && pick(2) ? 5000 + pick(100) : pick(20);  // 5000: enough for a rebuild
            for (std::size_t c = 0; c < handed.size(); ++c)
                for (int i = 0, length = c == 0 ? n : pick(n + 3); i < length; ++i) {
                    if (c == 0) table.push_back(Row{std::vector<std::string>(Ix(columns)), count + i});
                    handed[c].Add(key() + "/" + std::to_string(c));
                    if (i < n && c < Ix(columns)) table[Ix(count + i)].cells[c] = handed[c][Ix(i)];
                }
            rows.TakeRows(std::move(handed));
        } else if (op == 9) {  // anywhere, clamped; later cells move one to the right
            const int at = pick(columns + 3) - 1;
            rows.InsertColumn(at);
            for (Row& r : table) r.cells.insert(r.cells.begin() + std::clamp(at, 0, columns), std::string());
            ++columns;
        } else if (op == 10) {  // after renumbering the item data, as the table does before every sort
            rows.NumberRows();
            for (int r = 0; r < count; ++r) table[Ix(r)].data = r;
            SortByColumn sort{&rows, table, pick(columns), pick(2) == 1, 0};
            rows.Sort(CompareCells, reinterpret_cast<std::intptr_t>(&sort));
            ASSERT_EQ(sort.bad, 0) << "the comparison reads the rows as they stood before the sort";
            // The merge takes the later row when the comparison says 1: descending reverses equal rows.
            if (sort.descending) std::reverse(table.begin(), table.end());
            const auto cell = [&sort](const Row& r) -> const std::string& { return r.cells[Ix(sort.column)]; };
            std::ranges::stable_sort(
                table, [&](auto& x, auto& y) { return sort.descending ? x > y : x < y; }, cell);
        } else if (pick(8) == 0) {  // now and then everything, columns included
            rows.DeleteAll();
            rows.SetColumnCount(columns = 3);
            table.clear();
        }
        ASSERT_EQ(rows.GetRowCount(), static_cast<int>(table.size()));
        std::uint64_t bytes = 0;
        for (int r = -1; r <= rows.GetRowCount(); ++r) {
            const bool inTable = r >= 0 && r < rows.GetRowCount();
            ASSERT_EQ(rows.GetData(r), inTable ? table[Ix(r)].data : 0) << step << " row " << r;
            for (int c = -1; c <= columns; ++c) {
                const CCellText cell = rows.GetText(r, c);
                const std::string_view text = cell;
                ASSERT_EQ(text.data()[text.size()], '\0');
                ASSERT_EQ(text, inTable && c >= 0 && c < columns ? table[Ix(r)].cells[Ix(c)] : "") << r << " " << c;
                bytes += text.size();
            }
        }
        ASSERT_TRUE(!(rebuilt || table.empty()) || rows.TextBytes() == bytes) << "texts of deleted rows kept";
    }
}

}  // namespace
