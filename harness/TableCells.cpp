#include "TableCells.h"

#include "framework/ListCtrl.h"

std::vector<Row> Rows(const CListCtrl* list, int nColumns) {
    std::vector<Row> rows(static_cast<std::size_t>(list->GetItemCount()));
    for (std::size_t r = 0; r < rows.size(); ++r)
        for (int c = 0; c < nColumns; ++c) rows[r].emplace_back(list->GetItemText(static_cast<int>(r), c));
    return rows;
}

std::vector<std::string> Column(const CListCtrl* list, int nCol) {
    std::vector<std::string> cells;
    cells.reserve(static_cast<std::size_t>(list->GetItemCount()));
    for (int r = 0; r < list->GetItemCount(); ++r) cells.emplace_back(list->GetItemText(r, nCol));
    return cells;
}

void FillList(CListCtrl& list, const std::vector<Row>& rows) {
    const std::size_t nColumns = rows.empty() ? 0 : rows[0].size();
    std::vector<CTextColumn> columns(nColumns);
    for (std::size_t c = 0; c < nColumns; ++c) {
        list.InsertColumn(static_cast<int>(c), "Cell " + std::to_string(c), LVCFMT_LEFT, 80, static_cast<int>(c));
        for (const Row& row : rows) columns[c].Add(row.at(c));
    }
    list.TakeRows(std::move(columns));
}
