#include "table/ListView_Table.h"

void CListView_Table::OnItemChanged(int) {}
void CListView_Table::OnSetFocus() {}
void CListView_Table::OnDblClk(int) {}
void CListView_Table::OpenCurrentRow(int) {}
void CListView_Table::WriteStatusLine() {}
void CListView_Table::WriteDriveCounts() {}
