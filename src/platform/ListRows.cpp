#include "platform/ListRows.h"

void CListRows::SetColumnCount(int count) { m_columns.resize(count < 0 ? 0 : static_cast<std::size_t>(count)); }
int CListRows::InsertRow(int, std::string_view, std::intptr_t) { return -1; }
void CListRows::TakeRows(std::vector<CTextColumn>) {}
bool CListRows::SetText(int, int, std::string_view) { return false; }
std::string_view CListRows::GetText(int, int) const { return {}; }
std::intptr_t CListRows::GetData(int) const { return 0; }
bool CListRows::SetData(int, std::intptr_t) { return false; }
bool CListRows::DeleteRow(int) { return false; }
void CListRows::DeleteAll() {}
void CListRows::Sort(CompareFn, std::intptr_t) {}
std::uint64_t CListRows::TextBytes() const { return 0; }
std::uint64_t CListRows::HeapBytes() const { return 0; }
