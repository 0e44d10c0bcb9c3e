#include "platform/ListCtrl.h"

#include "platform/ListModel.h"

CListCtrl::CListCtrl(QWidget* parent) : QTableView(parent), m_pModel(new CListModel(m_rows, this)) { setModel(m_pModel); }
CListCtrl::~CListCtrl() = default;
int CListCtrl::InsertColumn(int, std::string_view, int, int, int) { return -1; }
int CListCtrl::GetColumnCount() const { return 0; }
std::string CListCtrl::GetColumnHeading(int) const { return {}; }
int CListCtrl::GetColumnFormat(int) const { return 0; }
int CListCtrl::GetColumnWidth(int) const { return 0; }
int CListCtrl::GetItemCount() const { return 0; }
int CListCtrl::InsertItem(int, std::string_view, std::intptr_t) { return -1; }
bool CListCtrl::SetItemText(int, int, std::string_view) { return false; }
std::string_view CListCtrl::GetItemText(int, int) const { return {}; }
std::intptr_t CListCtrl::GetItemData(int) const { return 0; }
bool CListCtrl::SetItemData(int, std::intptr_t) { return false; }
bool CListCtrl::DeleteItem(int) { return false; }
bool CListCtrl::DeleteAllItems() { return true; }
void CListCtrl::TakeRows(std::vector<CTextColumn>) {}
bool CListCtrl::SortItems(CListRows::CompareFn, std::intptr_t) { return true; }
int CListCtrl::GetNextItem(int, unsigned) const { return -1; }
unsigned CListCtrl::GetSelectedCount() const { return 0; }
std::vector<int> CListCtrl::GetSelectedItems() const { return {}; }
bool CListCtrl::SetItemState(int, unsigned, unsigned) { return false; }
unsigned CListCtrl::GetItemState(int, unsigned) const { return 0; }
void CListCtrl::SelectAllItems() {}
void CListCtrl::keyPressEvent(QKeyEvent* event) { QTableView::keyPressEvent(event); }
void CListCtrl::focusInEvent(QFocusEvent* event) { QTableView::focusInEvent(event); }
void CListCtrl::mouseDoubleClickEvent(QMouseEvent* event) { QTableView::mouseDoubleClickEvent(event); }

short GetKeyState(int) { return 0; }
