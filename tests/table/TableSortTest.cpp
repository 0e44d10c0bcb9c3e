#include "TableCells.h"
#include "framework/ListCtrl.h"
#include "store/TimeText.h"
#include "table/SortGlobals.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <numeric>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Cells = std::vector<std::string>;

// What a cell is worth in each sort type, worked out apart from the table: a number as strtod reads
// it, a time as the time text's parser reads it after the blanks of a hand-over (no time first),
// a text by its bytes.
std::tuple<int, double, std::string> Worth(const std::string& cell, int nType) {
    if (nType == SortReal) return {0, std::strtod(cell.c_str(), nullptr), ""};
    if (nType == SortText) return {0, 0, cell};
    const auto time = ParseTimeText(std::string_view(cell).substr(std::min(cell.find_first_not_of(' '), cell.size())));
    return {time ? 1 : 0, time ? static_cast<double>(*time) : 0, ""};
}

// Both ways a table sorts a column, by keys and by the merge with CompareRows, give the rows the
// order of a stable sort by their worth, and a descending sort the reverse of it, ties included.
TEST(TableSortTest, BothWaysOfSortingGiveTheOrderOfTheCellsWorthWithTiesReversedWhenDescending) {
    const std::pair<int, Cells> pools[] = {
        {SortReal,
         {"", "0", "-0", "+5", "5", " 7", "-1e3", "1e308", "-inf", "abc", "4x", "0.5", "-0.0", " -12", "+-5"}},
        {SortDateTime,
         {"", "no time", "01/02/2024 00:00:00", " 31/01/2024 23:59:59", "29/02/2023 00:00:00", "01/01/0000 00:00:00",
          "31/12/9999 23:59:59", "  01/01/1970 00:00:01", "01/01/1970 00:00:01"}},
        {SortText, {"", "ab", "Zeta", "alpha", "\xC3\x84rger", "a", std::string("a\0b", 3), "a\xFF", "b"}},
    };
    std::mt19937 rng(7);
    for (const auto& [nType, pool] : pools)
        for (const int n : {9, 40000}) {  // 40000: the keys are made on two threads
            Cells cells;
            std::vector<Row> rows;
            for (int r = 0; r < n; ++r) rows.push_back({cells.emplace_back(pool[rng() % pool.size()])});
            std::vector<std::intptr_t> ascending(cells.size());
            std::iota(ascending.begin(), ascending.end(), 0);
            std::stable_sort(ascending.begin(), ascending.end(),
                             [&](auto a, auto b) { return Worth(cells[a], nType) < Worth(cells[b], nType); });
            g_nSortType = nType;
            g_nSortColumn = 0;
            for (const int way : {0, 1, 2, 3}) {  // ascending or descending, by keys or merged
                const bool bDescending = way & 1, bMerge = way & 2;
                CListCtrl list;
                FillList(list, rows);
                g_bSortDescending = bDescending;
                ASSERT_TRUE(bMerge ? list.SortItems(CompareRows, reinterpret_cast<std::intptr_t>(&list.GetRows()))
                                   : SortItemsByColumn(list, 0, nType, bDescending));
                std::vector<std::intptr_t> order;
                for (int r = 0; r < n; ++r) order.push_back(list.GetItemData(r));
                EXPECT_TRUE(bDescending ? std::equal(order.begin(), order.end(), ascending.rbegin())
                                        : order == ascending)
                    << "type " << nType << ", " << n << " rows, way " << way;
            }
        }
    // NaN is neither below nor above any number: no keys, and the rows stay as they were.
    CListCtrl list;
    list.InsertColumn(0, "Length", LVCFMT_LEFT, 80, 0);
    for (const char* cell : {"2", "nan", "1"}) list.InsertItem(list.GetItemCount(), cell, list.GetItemCount());
    EXPECT_FALSE(SortItemsByColumn(list, 0, SortReal, false));
    EXPECT_EQ(list.GetItemText(0, 0), "2");
}

}  // namespace
