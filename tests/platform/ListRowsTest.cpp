#include "platform/ListRows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

std::size_t Ix(int i) { return static_cast<std::size_t>(i); }

// What the store must always read as: a plain vector of rows.
struct Row {
    std::vector<std::string> cells;
    std::intptr_t data;
};

// Every cell, those one past every edge included (they read empty), and every row's item data.
void ExpectSame(const CListRows& rows, const std::vector<Row>& table, int columns, const std::string& where) {
    ASSERT_EQ(rows.GetRowCount(), static_cast<int>(table.size())) << where;
    ASSERT_EQ(rows.GetColumnCount(), columns) << where;
    if (table.empty()) { ASSERT_EQ(rows.TextBytes(), 0u) << where; }  // the last row gone, its texts went too
    for (int r = -1; r <= rows.GetRowCount(); ++r) {
        const bool isRow = r >= 0 && r < rows.GetRowCount();
        if (isRow) { ASSERT_EQ(rows.GetData(r), table[Ix(r)].data) << where << " row " << r; }
        for (int c = -1; c <= columns; ++c) {
            const std::string_view text = rows.GetText(r, c);
            ASSERT_EQ(text.data()[text.size()], '\0') << where;  // callers hand data() to atof
            ASSERT_EQ(text, isRow && c >= 0 && c < columns ? table[Ix(r)].cells[Ix(c)] : "")
                << where << " row " << r << " column " << c;
        }
    }
}

// The table's kind of comparison: cells read by item data, 1 when the first row goes after the second.
struct SortByColumn {
    const CListRows* rows;
    int column;
    bool descending;
    std::vector<std::string> before;  // the column as it stood before the sort
    int badReads = 0;                 // out of range, or of rows already moved
};

int CompareCells(std::intptr_t a, std::intptr_t b, std::intptr_t context) {
    auto* sort = reinterpret_cast<SortByColumn*>(context);
    const auto n = static_cast<std::intptr_t>(sort->before.size());
    if (a < 0 || b < 0 || a >= n || b >= n) return ++sort->badReads, 0;
    const std::string_view ta = sort->rows->GetText(static_cast<int>(a), sort->column);
    const std::string_view tb = sort->rows->GetText(static_cast<int>(b), sort->column);
    sort->badReads += ta != sort->before[Ix(static_cast<int>(a))] || tb != sort->before[Ix(static_cast<int>(b))];
    return sort->descending ? ta.compare(tb) <= 0 : ta.compare(tb) > 0;
}

// Random edits and sorts against a plain vector of rows: the order, item data and slots the store
// keeps only when needed (after an insert in the middle, a sort, deletes, a rebuild) never show.
TEST(ListRowsTest, RandomEditsAndSortsReadAsAPlainVectorOfRows) {
    for (const unsigned seed : {1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u}) {
        std::mt19937 random(seed);
        const auto pick = [&random](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
        const auto key = [&pick] { return pick(5) ? "k" + std::to_string(pick(4)) : std::string(); };  // many ties
        CListRows rows;
        std::vector<Row> table;
        int columns = 3;
        rows.SetColumnCount(columns);
        for (int step = 0; step < 250; ++step) {
            const int count = static_cast<int>(table.size());
            const int row = pick(count + 2) - 1;  // one past either end now and then
            const bool isRow = row >= 0 && row < count;
            const int op = pick(12);
            const std::string where = "seed " + std::to_string(seed) + " step " + std::to_string(step);
            switch (op) {
            case 0: case 1: case 2: {  // at the front, anywhere (-1 refused), at or past the end
                const int at = op == 0 ? 0 : op == 1 ? row : count + pick(2);
                // Often the row's slot or place: item data is stored only where it is not the slot.
                const std::intptr_t data = std::vector<int>{count, std::max(at, 0), pick(1000)}[Ix(pick(3))];
                Row added{std::vector<std::string>(Ix(columns)), data};
                added.cells[0] = key();
                ASSERT_EQ(rows.InsertRow(at, added.cells[0], data), at < 0 ? -1 : std::min(at, count)) << where;
                if (at >= 0) table.insert(table.begin() + std::min(at, count), added);
                break;
            }
            case 3: case 4: {
                const int col = pick(columns + 2) - 1;
                const std::string text = key();
                ASSERT_EQ(rows.SetText(row, col, text), isRow && col >= 0 && col < columns) << where;
                if (isRow && col >= 0 && col < columns) table[Ix(row)].cells[Ix(col)] = text;
                ASSERT_EQ(rows.SetData(row, step), isRow) << where;
                if (isRow) table[Ix(row)].data = step;
                break;
            }
            case 5: {  // the last row (its slot goes too, while in slot order) or any
                const int which = pick(2) ? count - 1 : row;
                ASSERT_EQ(rows.DeleteRow(which), which >= 0 && which < count) << where;
                if (which >= 0 && which < count) table.erase(table.begin() + which);
                break;
            }
            case 6: case 7: {  // ascending, stray and repeated positions ignored; most of a big table: a rebuild
                const int share = count >= 4096 || op == 7 ? 90 : 15;
                std::vector<int> doomed{-1};
                std::vector<Row> kept;
                std::uint64_t keptBytes = 0;
                for (int r = 0; r < count; ++r) {
                    if (pick(100) < share) {
                        doomed.insert(doomed.end(), pick(8) ? 1 : 2, r);
                        continue;
                    }
                    kept.push_back(table[Ix(r)]);
                    for (const auto& text : kept.back().cells) keptBytes += text.size();
                }
                doomed.push_back(count);
                const int removed = count - static_cast<int>(kept.size());
                ASSERT_EQ(rows.DeleteRows(doomed), removed) << where;
                // Texts of deleted rows go once they outnumber the rows left and are thousands.
                if (removed >= 4096 && removed > count - removed) { ASSERT_EQ(rows.TextBytes(), keptBytes) << where; }
                table = std::move(kept);
                break;
            }
            case 8: {  // whole columns of any lengths, any number: moved into an empty store, else appended
                std::vector<CTextColumn> handed(Ix(pick(columns + 2)));
                const int n = count == 0 && pick(2) ? 5000 + pick(100) : pick(20);  // 5000: enough for a rebuild
                for (std::size_t c = 0; c < handed.size(); ++c)
                    for (int i = 0, length = c == 0 ? n : pick(n + 3); i < length; ++i) {
                        if (c == 0) table.push_back(Row{std::vector<std::string>(Ix(columns)), count + i});
                        const std::string text = key() + "/" + std::to_string(c);
                        handed[c].Add(text);
                        if (i < n && c < Ix(columns)) table[Ix(count + i)].cells[c] = text;
                    }
                const char* first = handed.empty() || n == 0 ? nullptr : handed[0][0].data();
                rows.TakeRows(std::move(handed));
                if (count == 0 && first) { ASSERT_EQ(rows.GetText(0, 0).data(), first) << where << ": moved"; }
                break;
            }
            case 9: {  // anywhere, clamped; later cells move one to the right
                if (columns == 6) break;
                const int at = pick(columns + 3) - 1;
                rows.InsertColumn(at);
                for (Row& r : table) r.cells.insert(r.cells.begin() + std::clamp(at, 0, columns), std::string());
                ++columns;
                break;
            }
            case 10: {  // after renumbering the item data, as the table does before every sort
                for (int r = 0; r < count; ++r) rows.SetData(r, table[Ix(r)].data = r);
                SortByColumn sort{&rows, pick(columns), pick(2) == 1, {}};
                for (const Row& r : table) sort.before.push_back(r.cells[Ix(sort.column)]);
                rows.Sort(CompareCells, reinterpret_cast<std::intptr_t>(&sort));
                ASSERT_EQ(sort.badReads, 0) << where << ": the comparison reads the rows as they stood before the sort";
                // The merge takes the later of two rows exactly when the comparison says the earlier goes
                // after it: ascending keeps equal rows in their order, descending reverses them.
                if (sort.descending) std::reverse(table.begin(), table.end());
                std::stable_sort(table.begin(), table.end(), [&sort](const Row& x, const Row& y) {
                    const int order = x.cells[Ix(sort.column)].compare(y.cells[Ix(sort.column)]);
                    return sort.descending ? order > 0 : order < 0;
                });
                break;
            }
            default:
                if (pick(8) != 0) break;
                rows.DeleteAll();
                table.clear();
            }
            ExpectSame(rows, table, columns, where);
            if (HasFatalFailure()) return;
        }
    }
}

}  // namespace
