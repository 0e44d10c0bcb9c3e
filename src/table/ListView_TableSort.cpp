#include "table/ListView_Table.h"
#include "table/SortGlobals.h"

bool g_bSortDescending = true;
int g_nSortType = 0;
int g_nSortColumn = 0;

int CompareRows(std::intptr_t, std::intptr_t, std::intptr_t) { return 0; }
void CListView_Table::OnColumnClick(int) {}
