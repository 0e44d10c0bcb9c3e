#pragma once
#include "store/ListRows.h"

#include <QItemSelectionModel>
#include <QTableView>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class CListModel;

enum : int { LVCFMT_LEFT = 0, LVCFMT_RIGHT = 1, LVCFMT_CENTER = 2 };
enum : unsigned { LVIS_FOCUSED = 0x01, LVIS_SELECTED = 0x02, LVNI_ALL = 0x00, LVNI_SELECTED = 0x02 };
enum : unsigned { VK_RETURN = 0x0D, VK_CONTROL = 0x11, VK_DELETE = 0x2E };
// The other virtual-key codes OnKeyDown sees; letters and digits are their ASCII capitals.
enum : unsigned {
    VK_BACK = 0x08,
    VK_TAB = 0x09,
    VK_SHIFT = 0x10,
    VK_MENU = 0x12,
    VK_ESCAPE = 0x1B,
    VK_SPACE = 0x20,
    VK_PRIOR = 0x21,
    VK_NEXT = 0x22,
    VK_END = 0x23,
    VK_HOME = 0x24,
    VK_LEFT = 0x25,
    VK_UP = 0x26,
    VK_RIGHT = 0x27,
    VK_DOWN = 0x28,
    VK_INSERT = 0x2D,
    VK_F1 = 0x70
};

// The report-style list control: rows in a CListRows, shown through a thin model in a QTableView
// with grid lines, full-row selection, multiple selection and fixed row height. Notifications reach
// the virtual handlers below; subclasses (the table view) override them.
class CListCtrl : public QTableView {
    Q_OBJECT
public:
    explicit CListCtrl(QWidget* parent = nullptr);
    ~CListCtrl() override;

    int InsertColumn(int nCol, std::string_view heading, int nFormat, int nWidth, int nSubItem);
    int GetColumnCount() const;
    std::string GetColumnHeading(int nCol) const;
    int GetColumnWidth(int nCol) const;

    int GetItemCount() const;
    int InsertItem(int nItem, std::string_view text, std::intptr_t lParam);
    bool SetItemText(int nItem, int nSubItem, std::string_view text);
    CCellText GetItemText(int nItem, int nSubItem) const;
    std::intptr_t GetItemData(int nItem) const;
    bool SetItemData(int nItem, std::intptr_t data);
    // Removes the rows at the given positions (ascending) in one pass and one model reset: row by
    // row, each removal would move every row below it. The selection is cleared; the current row keeps its place, or
    // the last row when it is past the end. Returns how many rows went.
    int DeleteItems(const std::vector<int>& rows);
    bool DeleteAllItems();
    // Replaces all rows by whole columns of texts (see CListRows::TakeRows): one model reset.
    void TakeRows(std::vector<CTextColumn> columns);
    // Sorts with compare(itemDataA, itemDataB, lParamSort), 1 when A goes after B (see
    // CListRows::Sort). Item data moves with its row; the selection is cleared, since the rows it
    // named have moved; the current row keeps its number.
    bool SortItems(CListRows::CompareFn compare, std::intptr_t lParamSort);
    // The same orders without a comparison per pair (see CListRows::SortByKeys and SortByText).
    void SortItemsByKeys(std::vector<SortKey> keys, bool bDescending);
    void SortItemsByText(int nSubItem, bool bDescending);
    // Sets every row's item data to its row number in one pass.
    void NumberItems();

    // Selection and current row, as item states. nItem -1 in SetItemState means every row.
    // Next row after nItem (-1: from the first): with LVNI_SELECTED the next selected one, with
    // LVNI_ALL simply the next row.
    int GetNextItem(int nItem, unsigned flags) const;
    unsigned GetSelectedCount() const;
    std::vector<int> GetSelectedItems() const;  // ascending
    bool SetItemState(int nItem, unsigned state, unsigned mask);
    // Selects every row in one step and makes the last row current; OnItemChanged then runs
    // once, for the last row.
    void SelectAllItems();

    const CListRows& GetRows() const { return m_rows; }

    // Typing moves to the next row whose first cell starts with the typed text (ASCII letters in
    // either case), as in a report list; the bytes are compared, no text is converted.
    void keyboardSearch(const QString& search) override;

protected:
    // Notifications, as the list control sends them to its owner.
    virtual void OnColumnClick(int /*nSubItem*/) {}
    virtual void OnDblClk(int /*nItem*/) {}  // -1 when the double-click hit no row
    // The current row, or a row's selection, changed; nItem is the current row (or, with none, a
    // row whose state changed). One user action may bring more than one call.
    virtual void OnItemChanged(int /*nItem*/) {}
    // A key went down; the default handling (moving the selection...) follows in every case.
    virtual void OnKeyDown(unsigned /*nChar*/) {}
    virtual void OnSetFocus() {}
    // Tooltip of a cell; empty for none (the Drive cell of an All Drives row names its root folder).
    virtual std::string GetCellToolTip(int /*nItem*/, int /*nSubItem*/) const { return {}; }

    // Keys and clicks select as in a report list: Shift extends from the anchor and drops the rest,
    // Home and End go to the first and the last row, Left and Right scroll sideways.
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event = nullptr) const override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    // Selected rows as sorted, disjoint [first, last] runs, rebuilt after any change of the
    // selection: a loop of GetNextItem over a large selection must not rebuild it every time.
    const std::vector<std::pair<int, int>>& SelectedRuns() const;
    bool IsRowSelected(int nItem) const;
    void SelectRows(int first, int last, bool select);
    void UpdateRow(int nItem);  // repaints the whole row, all columns
    // Clears the selection, runs sort() and tells the view the rows moved.
    template <typename Sort>
    void MoveRows(Sort&& sort);

    CListRows m_rows;
    CListModel* m_pModel = nullptr;
    mutable std::vector<std::pair<int, int>> m_selectedRuns;
    mutable bool m_bSelectedRunsValid = false;
    bool m_bQuietSelection = false;  // a selection change that the code making it reports itself, or no one
    std::string m_strTypeAhead;
    qint64 m_nTypeAheadAt = 0;  // milliseconds since the epoch of the last typed character
};

// Virtual-key state as the key handler sees it: negative while Ctrl is down.
short GetKeyState(int nVirtKey);
