#pragma once
#include "store/RadixSort.h"
#include "store/TextColumn.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The rows of a list control, apart from any widget: per column one CTextColumn of cell texts
// indexed by a row's storage slot, per slot the item data, and the display order of the slots.
// A filled table shows its slots in order with the slot numbers as item data, so neither the order
// (4 bytes a row) nor the item data (8) is stored until a sort, an insert in the middle or a delete
// needs it: 12 MB less per million rows at the peak of a fill. Cells never set read as empty.
class CListRows {
public:
    using CompareFn = int (*)(std::intptr_t, std::intptr_t, std::intptr_t);

    int GetRowCount() const { return static_cast<int>(m_nRows); }
    int GetColumnCount() const { return static_cast<int>(m_columns.size()); }
    void SetColumnCount(int count);
    // Inserts an empty column before column nCol (clamped to the end); the cells of later columns
    // move one to the right.
    void InsertColumn(int nCol);

    // Inserts a row at display position nRow (clamped to the end) with the text of column 0.
    int InsertRow(int nRow, std::string_view text, std::intptr_t data);
    // Appends one row per element of columns[0]; columns[c] become the texts of column c for them.
    // Only for an empty store: the texts are moved in whole, never copied.
    void TakeRows(std::vector<CTextColumn> columns);
    bool SetText(int nRow, int nCol, std::string_view text);
    // NUL-terminated; empty for a cell that does not exist.
    CCellText GetText(int nRow, int nCol) const;
    std::intptr_t GetData(int nRow) const;
    bool SetData(int nRow, std::intptr_t data);
    bool DeleteRow(int nRow);
    // Removes the rows at the given display positions (ascending; others are ignored) in one pass.
    // Returns how many rows went.
    int DeleteRows(const std::vector<int>& rows);
    void DeleteAll();

    // Sorts the display order with compare(dataA, dataB, context), which returns 1 when the first
    // row goes after the second, else 0. A merge sort: it needs no strict weak ordering, never reads
    // out of range, and while it runs GetText still reads the rows in their order from before the sort.
    void Sort(CompareFn compare, std::intptr_t context);
    // The order Sort gives with a comparison that orders rows by one number each, found without
    // a comparison per pair: keys[r] holds row r's key and r (in the order from before the sort).
    // Ascending keeps equal rows in their order; descending is its exact reverse, as the merge
    // takes the later of two equal rows first when the comparison answers 1 both ways round.
    void SortByKeys(std::vector<SortKey> keys, bool descending);
    // The same for the texts of column nCol by bytes, unsigned, as std::string_view::compare
    // orders them.
    void SortByText(int nCol, bool descending);
    // Sets the item data of every row to its row number, in one pass. A table keeps its item data
    // so after every sort and delete: a sort by comparison (CompareRows) reads the cells of the
    // rows its item data name.
    void NumberRows();

    std::uint64_t TextBytes() const;
    std::uint64_t HeapBytes() const;

private:
    std::size_t Slot(int nRow) const {
        return m_order.empty() ? static_cast<std::size_t>(nRow) : m_order[static_cast<std::size_t>(nRow)];
    }
    std::intptr_t DataOf(std::size_t slot) const {
        return m_data.empty() ? static_cast<std::intptr_t>(slot) : m_data[slot];
    }
    bool IsRow(int nRow) const { return nRow >= 0 && static_cast<std::size_t>(nRow) < m_nRows; }
    // Stores the order or the item data from now on (both start as "the slot itself").
    void MakeOrder();
    void MakeData();
    // Deleted rows leave their texts behind in the columns; once they outnumber the rows still
    // shown, the columns are rebuilt from the rows that remain, in display order.
    void CompactIfSparse();
    // Keys hold slots, sorted ascending: they become the display order.
    void TakeOrder(const std::vector<SortKey>& keys, bool descending);

    std::vector<CTextColumn> m_columns;
    std::size_t m_nRows = 0;             // rows shown
    std::size_t m_nSlots = 0;            // rows stored, deleted ones included
    std::vector<std::intptr_t> m_data;   // by slot; empty: the slot number
    std::vector<std::uint32_t> m_order;  // display row -> slot; empty: row r is slot r
};
