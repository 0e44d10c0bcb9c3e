#include "framework/ListCtrl.h"

#include "framework/ListItemDelegate.h"
#include "framework/ListModel.h"
#include "framework/ModalWork.h"

#include <QApplication>
#include <QDateTime>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QSignalBlocker>
#include <algorithm>
#include <climits>
#include <iterator>

namespace {
// Modifiers of the key event being handled, for GetKeyState; depth > 0 while one is.
Qt::KeyboardModifiers g_keyModifiers;
int g_nKeyDepth = 0;

unsigned VirtualKey(int key) {
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return static_cast<unsigned>(key);  // Qt's codes of letters and digits are the ASCII capitals
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return VK_F1 + static_cast<unsigned>(key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Delete: return VK_DELETE;
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt: return VK_MENU;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Insert: return VK_INSERT;
    default: return 0;
    }
}
// The tables' time cells are 120 px wide and their length cells 80 px: "dd/mm/yyyy HH:MM:SS" and a
// ten-digit length must show whole in them, less the delegate's margins (114 and 74 px). The usual
// 12 px DejaVu Sans needs 127 px for the time; its condensed face at 11 px needs 104 and 63. A pixel
// size, not points: a screen's logical DPI must not widen the text past its cell. Where the face
// is missing, whatever stands in for it gets smaller until both texts fit.
QFont ListFont(QFont font, const QWidget* widget) {
    font.setFamilies({QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("DejaVu Sans")});
    // Names, numbers and times need no complex text shaping; skipping it where the font allows
    // saves a third of the time a screen of rows takes to paint.
    font.setStyleStrategy(QFont::PreferNoShaping);
    const int timeRoom = CListItemDelegate::TextWidth(120, widget);
    const int lengthRoom = CListItemDelegate::TextWidth(80, widget);
    for (int pixels = 11; pixels >= 8; --pixels) {
        font.setPixelSize(pixels);
        const QFontMetrics metrics(font);
        QChar widest = u'0';
        for (char16_t digit = u'1'; digit <= u'9'; ++digit)
            if (metrics.horizontalAdvance(QChar(digit)) > metrics.horizontalAdvance(widest)) widest = QChar(digit);
        const QString time = QStringLiteral("dd/dd/dddd dd:dd:dd").replace(u'd', widest);
        if (metrics.horizontalAdvance(time) <= timeRoom && metrics.horizontalAdvance(QString(10, widest)) <= lengthRoom)
            break;
    }
    return font;
}
}  // namespace

CListCtrl::CListCtrl(QWidget* parent) : QTableView(parent), m_pModel(new CListModel(m_rows, this)) {
    setModel(m_pModel);
    m_pModel->m_toolTip = [this](int row, int col) { return GetCellToolTip(row, col); };

    // A report list: whole rows, several of them (click, Shift+click, Ctrl+click), grid lines,
    // nothing to edit, no row header.
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setWordWrap(false);
    setSortingEnabled(false);
    setCornerButtonEnabled(false);
    setTabKeyNavigation(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setItemDelegate(new CListItemDelegate(this));
    setFont(ListFont(font(), this));

    // Every row the same height, never measured: a million rows lay out in no time.
    QHeaderView* rows = verticalHeader();
    rows->hide();
    rows->setMinimumSectionSize(1);
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(fontMetrics().height() + 4);

    // Column widths are those given, 0 included; a click reports the column and does nothing else.
    QHeaderView* columns = horizontalHeader();
    columns->setMinimumSectionSize(0);
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setStretchLastSection(false);
    columns->setSectionsMovable(false);
    columns->setSectionsClickable(true);
    columns->setHighlightSections(false);
    columns->setSortIndicatorShown(false);
    // No sort starts while a table fills: it would take over status pane 0 and the sort direction
    // of every table; a click of the user's waits in the queue like all input.
    connect(columns, &QHeaderView::sectionClicked, this, [this](int section) {
        if (!CModalWork::IsRunning()) OnColumnClick(section);
    });

    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current, const QModelIndex& previous) {
                // The current row's frame spans the row; the view repaints only the cells.
                UpdateRow(previous.row());
                UpdateRow(current.row());
                // The row, not the cell: a move to another column of the same row is no change.
                if (current.isValid() && current.row() != previous.row()) OnItemChanged(current.row());
            });
    const auto forgetSelection = [this] { m_bSelectedRunsValid = false; };
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, forgetSelection);
    // A change of the selection is a change of item state too: a click that selects the row that
    // is already current moves nothing, and must still be heard. The user's selection always
    // involves the current row (click, Shift, Ctrl, keys), so that is the row reported.
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected, const QItemSelection& deselected) {
                if (m_bQuietSelection) return;
                int row = currentIndex().row();
                if (row < 0 && !selected.isEmpty()) row = selected.first().top();
                if (row < 0 && !deselected.isEmpty()) row = deselected.first().top();
                if (row >= 0) OnItemChanged(row);
            });
    connect(m_pModel, &QAbstractItemModel::modelReset, this, forgetSelection);
    connect(m_pModel, &QAbstractItemModel::layoutChanged, this, forgetSelection);
    connect(m_pModel, &QAbstractItemModel::rowsInserted, this, forgetSelection);
    connect(m_pModel, &QAbstractItemModel::rowsRemoved, this, forgetSelection);
    connect(m_pModel, &QAbstractItemModel::columnsInserted, this, forgetSelection);
}

CListCtrl::~CListCtrl() {
    // The model reads m_rows, which goes before the QObject base would delete the model.
    delete m_pModel;
    m_pModel = nullptr;
}

// ---- columns

int CListCtrl::InsertColumn(int nCol, std::string_view heading, int nFormat, int nWidth, int /*nSubItem*/) {
    // The sub-item index is the column's own index in every table of Zorbin, so it is not stored.
    if (nCol < 0) return -1;
    const int at = std::min(nCol, GetColumnCount());
    m_pModel->beginInsertColumns(QModelIndex(), at, at);
    m_rows.InsertColumn(at);
    m_pModel->Columns().insert(m_pModel->Columns().begin() + at, CListModel::Column{std::string(heading), nFormat});
    m_pModel->endInsertColumns();
    horizontalHeader()->resizeSection(at, std::max(nWidth, 0));
    return at;
}

int CListCtrl::GetColumnCount() const { return m_rows.GetColumnCount(); }

std::string CListCtrl::GetColumnHeading(int nCol) const {
    if (nCol < 0 || nCol >= GetColumnCount()) return {};
    return m_pModel->Columns()[static_cast<std::size_t>(nCol)].heading;
}

int CListCtrl::GetColumnWidth(int nCol) const {
    if (nCol < 0 || nCol >= GetColumnCount()) return 0;
    return horizontalHeader()->sectionSize(nCol);
}

// ---- rows and cells

int CListCtrl::GetItemCount() const { return m_rows.GetRowCount(); }

int CListCtrl::InsertItem(int nItem, std::string_view text, std::intptr_t lParam) {
    if (nItem < 0) return -1;
    const int at = std::min(nItem, GetItemCount());
    m_pModel->beginInsertRows(QModelIndex(), at, at);
    const int row = m_rows.InsertRow(at, text, lParam);
    m_pModel->endInsertRows();
    return row;
}

bool CListCtrl::SetItemText(int nItem, int nSubItem, std::string_view text) {
    // Tells the view that the cell changed, nothing else: no selection or current-row change, so
    // no OnItemChanged (the All Drives counts are written from inside that handler).
    if (!m_rows.SetText(nItem, nSubItem, text)) return false;
    m_pModel->CellChanged(nItem, nSubItem);
    return true;
}

CCellText CListCtrl::GetItemText(int nItem, int nSubItem) const { return m_rows.GetText(nItem, nSubItem); }

std::intptr_t CListCtrl::GetItemData(int nItem) const { return m_rows.GetData(nItem); }

bool CListCtrl::SetItemData(int nItem, std::intptr_t nData) { return m_rows.SetData(nItem, nData); }

int CListCtrl::DeleteItems(const std::vector<int>& rows) {
    const int current = currentIndex().row();
    int before = 0;  // rows removed above the current one
    for (const int row : rows)
        if (row >= 0 && row < current) ++before;
    m_pModel->beginResetModel();
    const int removed = m_rows.DeleteRows(rows);
    m_pModel->endResetModel();
    if (current >= 0 && GetItemCount() > 0) {
        const int row = std::min(current - before, GetItemCount() - 1);
        selectionModel()->setCurrentIndex(m_pModel->index(row, 0), QItemSelectionModel::NoUpdate);
    }
    return removed;
}

bool CListCtrl::DeleteAllItems() {
    m_pModel->beginResetModel();
    m_rows.DeleteAll();
    m_pModel->endResetModel();
    return true;
}

void CListCtrl::TakeRows(std::vector<CTextColumn> columns) {
    m_pModel->beginResetModel();
    m_rows.DeleteAll();
    m_rows.TakeRows(std::move(columns));
    m_pModel->endResetModel();
}

template <typename Sort>
void CListCtrl::MoveRows(Sort&& sort) {
    {
        // Not a change of the user's: the rows simply move.
        const QScopedValueRollback<bool> quiet(m_bQuietSelection, true);
        selectionModel()->clearSelection();
    }
    emit m_pModel->layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    sort();
    // Persistent indexes keep their row numbers: the current row stays where it was.
    emit m_pModel->layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

bool CListCtrl::SortItems(CListRows::CompareFn compare, std::intptr_t lParamSort) {
    // The comparison reads cells through GetItemText by the row numbers from before the sort:
    // CListRows keeps the old order until its merge is done. One layout change tells the view.
    MoveRows([&] { m_rows.Sort(compare, lParamSort); });
    return true;
}

void CListCtrl::SortItemsByKeys(std::vector<SortKey> keys, bool bDescending) {
    MoveRows([&] { m_rows.SortByKeys(std::move(keys), bDescending); });
}

void CListCtrl::SortItemsByText(int nSubItem, bool bDescending) {
    MoveRows([&] { m_rows.SortByText(nSubItem, bDescending); });
}

void CListCtrl::NumberItems() { m_rows.NumberRows(); }

// ---- selection and current row

const std::vector<std::pair<int, int>>& CListCtrl::SelectedRuns() const {
    if (m_bSelectedRunsValid) return m_selectedRuns;
    m_selectedRuns.clear();
    // The ranges of a selection may overlap (Ctrl+click toggles, Shift+click extends): sort and merge.
    const QItemSelection selection = selectionModel()->selection();
    for (const QItemSelectionRange& range : selection)
        if (range.isValid()) m_selectedRuns.emplace_back(range.top(), range.bottom());
    std::sort(m_selectedRuns.begin(), m_selectedRuns.end());
    std::size_t kept = 0;
    for (const auto& run : m_selectedRuns) {
        if (kept > 0 && run.first <= m_selectedRuns[kept - 1].second + 1)
            m_selectedRuns[kept - 1].second = std::max(m_selectedRuns[kept - 1].second, run.second);
        else
            m_selectedRuns[kept++] = run;
    }
    m_selectedRuns.resize(kept);
    m_bSelectedRunsValid = true;
    return m_selectedRuns;
}

bool CListCtrl::IsRowSelected(int nItem) const {
    const auto& runs = SelectedRuns();
    auto it = std::upper_bound(runs.begin(), runs.end(), std::make_pair(nItem, INT_MAX));
    return it != runs.begin() && std::prev(it)->second >= nItem;
}

void CListCtrl::SelectRows(int first, int last, bool select) {
    if (GetColumnCount() == 0 || first > last) return;
    const QItemSelection rows(m_pModel->index(first, 0), m_pModel->index(last, GetColumnCount() - 1));
    const QScopedValueRollback<bool> quiet(m_bQuietSelection, true);  // the callers notify themselves
    selectionModel()->select(rows, select ? QItemSelectionModel::Select : QItemSelectionModel::Deselect);
    m_bSelectedRunsValid = false;
}

int CListCtrl::GetNextItem(int nItem, unsigned flags) const {
    const int count = GetItemCount();
    int from = std::max(nItem + 1, 0);
    if (from >= count) return -1;
    if (!(flags & LVNI_SELECTED)) return from;
    const auto& runs = SelectedRuns();
    // The first run that ends at or after `from`.
    auto it = std::lower_bound(runs.begin(), runs.end(), from,
                               [](const std::pair<int, int>& run, int row) { return run.second < row; });
    if (it == runs.end()) return -1;
    const int row = std::max(it->first, from);
    return row < count ? row : -1;
}

unsigned CListCtrl::GetSelectedCount() const {
    const int count = GetItemCount();
    unsigned selected = 0;
    for (const auto& [first, last] : SelectedRuns())
        if (first < count) selected += static_cast<unsigned>(std::min(last, count - 1) - first + 1);
    return selected;
}

std::vector<int> CListCtrl::GetSelectedItems() const {
    const int count = GetItemCount();
    std::vector<int> rows;
    rows.reserve(GetSelectedCount());
    for (const auto& [first, last] : SelectedRuns())
        for (int row = first; row <= last && row < count; ++row) rows.push_back(row);
    return rows;
}

bool CListCtrl::SetItemState(int nItem, unsigned state, unsigned mask) {
    const int count = GetItemCount();
    if (nItem < -1 || nItem >= count) return false;
    if (nItem == -1) {
        // Every row, in one step.
        if ((mask & LVIS_SELECTED) && count > 0) {
            const bool select = (state & LVIS_SELECTED) != 0;
            if (select) {
                SelectAllItems();
            } else if (selectionModel()->hasSelection()) {
                {
                    const QScopedValueRollback<bool> quiet(m_bQuietSelection, true);
                    selectionModel()->clearSelection();
                }
                m_bSelectedRunsValid = false;
                OnItemChanged(count - 1);
            }
        }
        return true;
    }
    bool changed = false;
    if (mask & LVIS_SELECTED) {
        const bool select = (state & LVIS_SELECTED) != 0;
        if (select != IsRowSelected(nItem)) {
            SelectRows(nItem, nItem, select);
            changed = true;
        }
    }
    if (mask & LVIS_FOCUSED) {
        const bool focus = (state & LVIS_FOCUSED) != 0;
        // Moving the current row notifies through currentChanged itself.
        if (focus && currentIndex().row() != nItem)
            selectionModel()->setCurrentIndex(m_pModel->index(nItem, 0), QItemSelectionModel::NoUpdate);
        else if (!focus && currentIndex().row() == nItem)
            selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    }
    if (changed) OnItemChanged(nItem);
    return true;
}

void CListCtrl::SelectAllItems() {
    const int count = GetItemCount();
    if (count == 0 || GetColumnCount() == 0) return;
    // One range for all rows; a million single selections would take minutes.
    const QItemSelection all(m_pModel->index(0, 0), m_pModel->index(count - 1, GetColumnCount() - 1));
    {
        const QScopedValueRollback<bool> quiet(m_bQuietSelection, true);
        selectionModel()->select(all, QItemSelectionModel::ClearAndSelect);
    }
    m_bSelectedRunsValid = false;
    // The last row becomes current, frame and all, so that the frame, the status line and Enter
    // name one row; the move reports itself through currentChanged.
    if (currentIndex().row() != count - 1)
        selectionModel()->setCurrentIndex(m_pModel->index(count - 1, std::max(currentIndex().column(), 0)),
                                          QItemSelectionModel::NoUpdate);
    else
        OnItemChanged(count - 1);
}

// ---- input

void CListCtrl::keyboardSearch(const QString& search) {
    const int count = GetItemCount();
    if (search.isEmpty() || count == 0) return;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (now - m_nTypeAheadAt > QApplication::keyboardInputInterval()) m_strTypeAhead.clear();
    m_nTypeAheadAt = now;
    const QByteArray typed = search.toUtf8();
    m_strTypeAhead.append(typed.constData(), static_cast<std::size_t>(typed.size()));
    const auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
    const auto starts = [&](std::string_view text) {
        if (text.size() < m_strTypeAhead.size()) return false;
        for (std::size_t i = 0; i < m_strTypeAhead.size(); ++i)
            if (lower(static_cast<unsigned char>(text[i])) != lower(static_cast<unsigned char>(m_strTypeAhead[i])))
                return false;
        return true;
    };
    // A first character moves on from the current row; more characters may keep it.
    const int current = std::max(currentIndex().row(), 0);
    const int first = m_strTypeAhead.size() == static_cast<std::size_t>(typed.size()) ? current + 1 : current;
    for (int k = 0; k < count; ++k) {
        const int row = (first + k) % count;
        if (const CCellText cell = m_rows.GetText(row, 0); !starts(cell)) continue;
        const QModelIndex index = m_pModel->index(row, std::max(currentIndex().column(), 0));
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        scrollTo(index);
        return;
    }
}

QItemSelectionModel::SelectionFlags CListCtrl::selectionCommand(const QModelIndex& index, const QEvent* event) const {
    QItemSelectionModel::SelectionFlags command = QTableView::selectionCommand(index, event);
    Qt::KeyboardModifiers modifiers = QGuiApplication::keyboardModifiers();
    if (event && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseMove ||
                  event->type() == QEvent::KeyPress))
        modifiers = static_cast<const QInputEvent*>(event)->modifiers();
    // Shift alone selects from the anchor to the row and nothing else; the view's own way keeps
    // what an earlier Ctrl+click had selected.
    if ((command & QItemSelectionModel::Current) && (modifiers & Qt::ShiftModifier) &&
        !(modifiers & Qt::ControlModifier))
        command |= QItemSelectionModel::Clear;
    return command;
}

QModelIndex CListCtrl::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) {
    const int count = GetItemCount();
    const int column = std::max(currentIndex().column(), 0);
    switch (cursorAction) {
    case MoveHome: return count > 0 ? m_pModel->index(0, column) : QModelIndex();
    case MoveEnd: return count > 0 ? m_pModel->index(count - 1, column) : QModelIndex();
    case MoveLeft:
    case MoveRight:
        horizontalScrollBar()->triggerAction(cursorAction == MoveLeft ? QAbstractSlider::SliderSingleStepSub
                                                                      : QAbstractSlider::SliderSingleStepAdd);
        return currentIndex();
    default: return QTableView::moveCursor(cursorAction, modifiers);
    }
}

void CListCtrl::keyPressEvent(QKeyEvent* event) {
    const unsigned nChar = VirtualKey(event->key());
    const Qt::KeyboardModifiers saved = g_keyModifiers;
    g_keyModifiers = event->modifiers();
    ++g_nKeyDepth;
    QPointer<CListCtrl> self(this);
    if (nChar) OnKeyDown(nChar);
    // The default handling runs in every case, unless the handler closed the window.
    if (self) {
        if (nChar == VK_RETURN) {
            // OnKeyDown is the only Enter hook: the view's own handling of Enter only emits
            // activated() (a second hook) and ignores the key, which would pass it on to the frame
            // (and to a dialog's default button). Nothing is ever edited.
            const QSignalBlocker quiet(this);
            QTableView::keyPressEvent(event);
            event->accept();
        } else {
            QTableView::keyPressEvent(event);
        }
    }
    --g_nKeyDepth;
    g_keyModifiers = saved;
}

void CListCtrl::UpdateRow(int nItem) {
    if (nItem < 0) return;
    viewport()->update(QRect(0, rowViewportPosition(nItem), viewport()->width(), rowHeight(nItem)));
}

void CListCtrl::focusOutEvent(QFocusEvent* event) {
    QTableView::focusOutEvent(event);
    UpdateRow(currentIndex().row());
}

void CListCtrl::focusInEvent(QFocusEvent* event) {
    QTableView::focusInEvent(event);
    UpdateRow(currentIndex().row());
    OnSetFocus();
}

void CListCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
    const QModelIndex hit = indexAt(event->position().toPoint());
    const bool left = event->button() == Qt::LeftButton;
    QPointer<CListCtrl> self(this);
    // First the view's own handling, which makes the row under the mouse the current one (so
    // OnItemChanged has run), then the notification, as the list control sends it after the click.
    QTableView::mouseDoubleClickEvent(event);
    if (self && left) OnDblClk(hit.isValid() ? hit.row() : -1);
}

short GetKeyState(int nVirtKey) {
    const Qt::KeyboardModifiers modifiers = g_nKeyDepth > 0 ? g_keyModifiers : QGuiApplication::keyboardModifiers();
    bool down = false;
    switch (nVirtKey) {
    case VK_CONTROL: down = modifiers & Qt::ControlModifier; break;
    case VK_SHIFT: down = modifiers & Qt::ShiftModifier; break;
    case VK_MENU: down = modifiers & Qt::AltModifier; break;
    default: break;
    }
    return down ? static_cast<short>(0x8000) : 0;  // high bit set: down
}
