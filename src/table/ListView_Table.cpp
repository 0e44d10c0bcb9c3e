#include "table/ListView_Table.h"

CListView_Table::CListView_Table() {}
CListView_Table::~CListView_Table() {}
void CListView_Table::OnInitialUpdate() {}
bool CListView_Table::HandlesCommand(int) const { return false; }
void CListView_Table::OnCommand(int) {}
std::string CListView_Table::GetCellToolTip(int, int) const { return {}; }
void CListView_Table::AddColumn(const char*, int, int, int) {}
