#include "table/ListView_Table.h"

void CListView_Table::FillTable() {}
