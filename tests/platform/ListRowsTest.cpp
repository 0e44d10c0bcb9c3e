#include "platform/ListRows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

// What the store must always read as: a plain vector of rows.
struct Row {
    std::vector<std::string> cells;
    std::intptr_t data;
};
using Table = std::vector<Row>;

// Every cell, the cells one past every edge included (they read empty), and every row's item data.
void ExpectSame(const CListRows& rows, const Table& table, int columns, const std::string& where) {
    ASSERT_EQ(rows.GetRowCount(), static_cast<int>(table.size())) << where;
    ASSERT_EQ(rows.GetColumnCount(), columns) << where;
    if (table.empty()) {
        ASSERT_EQ(rows.TextBytes(), 0u) << where;  // the last row gone: its texts went too
    }
    for (int r = -1; r <= rows.GetRowCount(); ++r) {
        for (int c = -1; c <= columns; ++c) {
            const bool cell = r >= 0 && r < rows.GetRowCount() && c >= 0 && c < columns;
            const std::string_view text = rows.GetText(r, c);
            ASSERT_EQ(text.data()[text.size()], '\0') << where;  // callers hand data() to atof
            ASSERT_EQ(text, cell ? table[static_cast<std::size_t>(r)].cells[static_cast<std::size_t>(c)] : "")
                << where << " row " << r << " column " << c;
        }
        if (r >= 0 && r < rows.GetRowCount()) {
            ASSERT_EQ(rows.GetData(r), table[static_cast<std::size_t>(r)].data) << where;
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
    if (ta != sort->before[static_cast<std::size_t>(a)] || tb != sort->before[static_cast<std::size_t>(b)]) ++sort->badReads;
    const int order = ta.compare(tb);
    return sort->descending ? order <= 0 : order > 0;
}

// Random edits and sorts against a plain vector of rows: the order, item data and slots the store
// keeps only when needed (after an insert in the middle, a sort, deletes, a rebuild) never show.
TEST(ListRowsTest, RandomEditsAndSortsReadAsAPlainVectorOfRows) {
    for (const unsigned seed : {1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u}) {
        std::mt19937 random(seed);
        const auto pick = [&random](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
        const auto key = [&pick] { return pick(5) ? "k" + std::to_string(pick(4)) : std::string(); };  // many ties
        CListRows rows;
        Table table;
        int columns = 3;
        rows.SetColumnCount(columns);
        for (int step = 0; step < 250; ++step) {
            const int count = static_cast<int>(table.size());
            const int row = pick(count + 2) - 1;  // one past either end now and then
            const bool isRow = row >= 0 && row < count;
            const int op = pick(12);
            const std::string where = "seed " + std::to_string(seed) + " step " + std::to_string(step) + " op " +
                                      std::to_string(op);
            switch (op) {
            case 0: case 1: case 2: {  // at the front, anywhere (-1 refused), at or past the end
                const int at = op == 0 ? 0 : op == 1 ? row : count + pick(2);
                // Often the row's slot or place: the store keeps item data only when it differs from the slot.
                const std::intptr_t data = std::vector<int>{count, std::max(at, 0), pick(1000)}[static_cast<std::size_t>(pick(3))];
                const std::string text = key();
                ASSERT_EQ(rows.InsertRow(at, text, data), at < 0 ? -1 : std::min(at, count)) << where;
                Row added{std::vector<std::string>(static_cast<std::size_t>(columns)), data};
                added.cells[0] = text;
                if (at >= 0) table.insert(table.begin() + std::min(at, count), added);
                break;
            }
            case 3: case 4: {
                const int col = pick(columns + 2) - 1;
                const std::string text = key();
                const bool ok = isRow && col >= 0 && col < columns;
                ASSERT_EQ(rows.SetText(row, col, text), ok) << where;
                if (ok) table[static_cast<std::size_t>(row)].cells[static_cast<std::size_t>(col)] = text;
                break;
            }
            case 5:
                ASSERT_EQ(rows.SetData(row, step), isRow) << where;
                if (isRow) table[static_cast<std::size_t>(row)].data = step;
                break;
            case 6: {  // the last row (its slot goes too, while in slot order) or any
                const int which = pick(2) ? count - 1 : row;
                const bool ok = which >= 0 && which < count;
                ASSERT_EQ(rows.DeleteRow(which), ok) << where;
                if (ok) table.erase(table.begin() + which);
                break;
            }
            case 7: {  // ascending, stray and repeated positions ignored; most rows of a big table (a rebuild)
                const int share = count >= 4096 || pick(3) == 0 ? 90 : 15;
                std::vector<int> doomed{-1};
                Table kept;
                std::uint64_t keptBytes = 0;
                for (int r = 0; r < count; ++r) {
                    const Row& was = table[static_cast<std::size_t>(r)];
                    if (pick(100) < share) {
                        doomed.insert(doomed.end(), pick(8) ? 1 : 2, r);
                        continue;
                    }
                    kept.push_back(was);
                    for (const auto& text : was.cells) keptBytes += text.size();
                }
                doomed.push_back(count);
                const int removed = count - static_cast<int>(kept.size());
                ASSERT_EQ(rows.DeleteRows(doomed), removed) << where;
                // Texts of deleted rows go once they outnumber the rows left and are thousands.
                if (removed >= 4096 && removed > count - removed) {
                    ASSERT_EQ(rows.TextBytes(), keptBytes) << where;
                }
                table = std::move(kept);
                break;
            }
            case 8: {  // whole columns, of any lengths and any number: moved into an empty store, else appended
                std::vector<CTextColumn> handed(static_cast<std::size_t>(pick(columns + 2)));
                const int n = count == 0 && pick(2) ? 5000 + pick(100) : pick(20);  // 5000: enough for a rebuild
                std::vector<std::vector<std::string>> texts(handed.size());
                for (std::size_t c = 0; c < handed.size(); ++c) {
                    texts[c].resize(static_cast<std::size_t>(c == 0 ? n : pick(n + 3)));
                    for (auto& text : texts[c]) handed[c].Add(text = key() + "/" + std::to_string(c));
                }
                const char* first = handed.empty() || n == 0 ? nullptr : handed[0][0].data();
                rows.TakeRows(std::move(handed));
                for (std::size_t i = 0; i < (texts.empty() ? 0 : texts[0].size()); ++i) {
                    Row added{std::vector<std::string>(static_cast<std::size_t>(columns)), count + static_cast<std::intptr_t>(i)};
                    for (std::size_t c = 0; c < texts.size() && c < added.cells.size(); ++c)
                        if (i < texts[c].size()) added.cells[c] = texts[c][i];
                    table.push_back(added);
                }
                if (count == 0 && first) {
                    ASSERT_EQ(rows.GetText(0, 0).data(), first) << where << ": moved, not copied";
                }
                break;
            }
            case 9: {  // anywhere, clamped; later cells move one to the right
                if (columns >= 6) break;
                const int at = pick(columns + 3) - 1;
                rows.InsertColumn(at);
                for (Row& r : table) r.cells.insert(r.cells.begin() + std::clamp(at, 0, columns), std::string());
                ++columns;
                break;
            }
            case 10: {  // after renumbering the item data, as the table does before every sort
                for (int r = 0; r < count; ++r) rows.SetData(r, table[static_cast<std::size_t>(r)].data = r);
                SortByColumn sort{&rows, pick(columns), pick(2) == 1, {}};
                for (const Row& r : table) sort.before.push_back(r.cells[static_cast<std::size_t>(sort.column)]);
                rows.Sort(CompareCells, reinterpret_cast<std::intptr_t>(&sort));
                ASSERT_EQ(sort.badReads, 0) << where << ": the comparison reads the rows as they stood before the sort";
                // The merge takes the later of two rows exactly when the comparison says the earlier goes
                // after it: ascending keeps equal rows in their order, descending reverses them.
                if (sort.descending) std::reverse(table.begin(), table.end());
                const auto column = static_cast<std::size_t>(sort.column);
                std::stable_sort(table.begin(), table.end(), [&](const Row& x, const Row& y) {
                    const int order = x.cells[column].compare(y.cells[column]);
                    return sort.descending ? order > 0 : order < 0;
                });
                break;
            }
            default:
                if (pick(8) == 0) {
                    rows.DeleteAll();
                    table.clear();
                }
                break;
            }
            ExpectSame(rows, table, columns, where);
            if (HasFatalFailure()) return;
        }
    }
}

}  // namespace
