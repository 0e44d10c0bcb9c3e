#pragma once
#include <string>
#include <vector>

class CListCtrl;

using Row = std::vector<std::string>;  // the cells of a table row, left to right

// The first nColumns cells of every row of a list, as it shows them.
std::vector<Row> Rows(const CListCtrl* list, int nColumns = 7);
// One column's cells, top to bottom.
std::vector<std::string> Column(const CListCtrl* list, int nCol);
// Gives an empty list one column for each cell of the rows, and the rows, as a scan hands them over.
void FillList(CListCtrl& list, const std::vector<Row>& rows);
