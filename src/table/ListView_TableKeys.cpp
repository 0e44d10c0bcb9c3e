#include "table/ListView_Table.h"

#include "framework/HiddenWhile.h"
#include "table/TableKind.h"

#include <algorithm>

// The keys a table handles itself. The list control's own handling (moving the selection...)
// follows in every case, after this returns.
void CListView_Table::OnKeyDown(unsigned nChar) {
    const bool bCtrl = GetKeyState(VK_CONTROL) < 0;
    switch (nChar) {
    case VK_RETURN: OpenCurrentRow(m_nRow); break;
    case VK_DELETE:
        if (m_nKind != AllDrives) DeleteSelectedRows();
        break;
    case 'A':
        // One step: selecting a million rows one at a time, each through the item-change
        // handling, takes minutes. The current row (its frame, the status line and Enter) ends as
        // the last row, as row by row would.
        if (bCtrl) m_pList->SelectAllItems();
        break;
    case 'D':
        if (bCtrl && m_nKind == Files) FindDoubles();
        break;
    case 'F':
        if (bCtrl && m_nKind != AllDrives) FindByName();
        break;
    default: break;
    }
}

void CListView_Table::DeleteSelectedRows() {
    if (m_nKind == AllDrives) return;
    const int nRowsBefore = GetItemCount();
    {
        // Hidden while the question is up and the rows go.
        const CHiddenWhile hidden(*this, true);
        m_scanner.DeleteSelected(m_pList, m_nKind, true);
        // Below a row that went, every row has moved up (all of them, when row 0 went).
        if (GetItemCount() != nRowsBefore) NumberItems();
    }
    // Rows of trashed entries went while the view was hidden, unseen by the item-change
    // handling: the current row and the status line follow now.
    if (GetItemCount() != nRowsBefore) {
        if (m_nKind == Doubles) CountSpaceToGain();
        int nRow = currentIndex().row();
        if (nRow < 0) nRow = std::min(m_nRow, GetItemCount() - 1);
        OnItemChanged(nRow);
    }
}
