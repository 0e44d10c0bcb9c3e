// The sort of a table column: random cells of every sort type, in both directions, come out as a
// permutation of the rows (every row once, its item data with it) in which no row goes after the
// next one by CompareRows; and the sort from one key per row gives exactly that order.
#include "framework/ListCtrl.h"
#include "table/SortGlobals.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QApplication>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

QApplication* g_app = nullptr;
CListCtrl* g_list = nullptr;  // one control for every input: making a widget costs more than a sort
CListCtrl* g_keyed = nullptr;

constexpr int kSortTypes[] = {SortInteger, SortLong, SortReal, SortText, SortFloat, SortDateTime};

// A cell as the tables write them for the type, now and then bent or replaced by raw bytes.
std::string Cell(FuzzedDataProvider& in, int type) {
    const auto two = [&](int hi) {
        const int v = in.ConsumeIntegralInRange(0, hi);
        return std::string(1, static_cast<char>('0' + v / 10)) + static_cast<char>('0' + v % 10);
    };
    switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0: return in.ConsumeRandomLengthString(24);
    case 1:
        if (type == SortDateTime)
            return (in.ConsumeBool() ? " " : "") + two(31) + "/" + two(12) + "/" + two(99) + two(99) + " " + two(23) +
                   ":" + two(59) + ":" + two(60);
        if (type == SortReal || type == SortFloat) return std::to_string(in.ConsumeFloatingPointInRange(-1e12, 1e12));
        [[fallthrough]];
    default: return (in.ConsumeBool() ? " " : "") + std::to_string(in.ConsumeIntegralInRange<long long>(-99999, 99999));
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    g_app = new QApplication(*argc, *argv);
    g_list = new CListCtrl;
    g_list->InsertColumn(0, "Cell", LVCFMT_LEFT, 80, 0);
    g_keyed = new CListCtrl;
    g_keyed->InsertColumn(0, "Cell", LVCFMT_LEFT, 80, 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    g_nSortType = in.PickValueInArray(kSortTypes);
    g_bSortDescending = in.ConsumeBool();
    g_nSortColumn = 0;
    const int rows = in.ConsumeIntegralInRange(0, 80);
    std::vector<std::string> cells;
    for (int r = 0; r < rows && in.remaining_bytes() > 0; ++r) cells.push_back(Cell(in, g_nSortType));

    CListCtrl& list = *g_list;
    CListCtrl& keyed = *g_keyed;
    for (CListCtrl* each : {&list, &keyed}) {
        each->DeleteAllItems();
        for (std::size_t r = 0; r < cells.size(); ++r)
            each->InsertItem(static_cast<int>(r), cells[r], static_cast<std::intptr_t>(r));
    }
    list.SortItems(CompareRows, reinterpret_cast<std::intptr_t>(&list.GetRows()));
    // The same order from keys, equal rows included (false only for a real that is no number).
    if (SortItemsByColumn(keyed, 0, g_nSortType, g_bSortDescending))
        for (int r = 0; r < keyed.GetItemCount(); ++r)
            if (keyed.GetItemData(r) != list.GetItemData(r)) std::abort();

    const int n = list.GetItemCount();
    if (n != static_cast<int>(cells.size())) std::abort();
    std::vector<bool> seen(cells.size());
    for (int r = 0; r < n; ++r) {
        const auto from = static_cast<std::size_t>(list.GetItemData(r));
        if (from >= cells.size() || seen[from] || list.GetItemText(r, 0) != cells[from]) std::abort();
        seen[from] = true;
    }
    // After the sort CompareRows reads rows by their new positions. Two equal rows may answer 1 both
    // ways round (a descending sort does): a pair is out of order only when it answers 1 one way alone.
    const auto context = reinterpret_cast<std::intptr_t>(&list.GetRows());
    for (int r = 0; r + 1 < n; ++r)
        if (CompareRows(r, r + 1, context) == 1 && CompareRows(r + 1, r, context) == 0) std::abort();
    return 0;
}
