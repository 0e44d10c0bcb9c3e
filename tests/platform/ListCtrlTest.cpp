#include "platform/ListCtrl.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <random>
#include <tuple>
#include <set>
#include <string>
#include <vector>

namespace {

// A list control that writes down every notification, with the current row at that moment.
class RecordingList : public CListCtrl {
public:
    std::vector<std::string> events;
    QPoint RowCenter(int row) const { return visualRect(model()->index(row, 0)).center(); }
    int Current() const { return currentIndex().row(); }

protected:
    void OnColumnClick(int nSubItem) override { events.push_back("column " + std::to_string(nSubItem)); }
    void OnDblClk(int nItem) override { events.push_back("dblclk " + std::to_string(nItem)); }
    void OnItemChanged(int nItem) override { events.push_back("changed " + std::to_string(nItem)); }
    void OnKeyDown(unsigned nChar) override {
        events.push_back("key " + std::to_string(nChar) + (GetKeyState(VK_CONTROL) < 0 ? " ctrl" : "") + " at " +
                         std::to_string(Current()));
    }
    void OnSetFocus() override { events.push_back("focus"); }
    std::string GetCellToolTip(int nItem, int nSubItem) const override { return nItem == 1 && nSubItem == 0 ? "tip" : ""; }
};

// Rows "r0".. in three columns as a Directories table has them (one of width 0); shown for input.
void Fill(RecordingList& list, int rows, bool show = true) {
    for (const auto& [heading, format, width] : {std::tuple{"Path", LVCFMT_LEFT, 200}, {"Ext", LVCFMT_CENTER, 0},
                                                 {"Length", LVCFMT_RIGHT, 80}})
        if (list.GetColumnCount() < 3) list.InsertColumn(list.GetColumnCount(), heading, format, width, 0);
    std::vector<CTextColumn> cells(1);
    for (int r = 0; r < rows; ++r) cells[0].Add("r" + std::to_string(r));
    list.TakeRows(std::move(cells));
    if (!show) return;
    list.resize(600, 400);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    list.setFocus();
    QApplication::processEvents();
}

TEST(ListCtrlTest, ColumnsAndCellsReachTheViewAsGiven) {
    RecordingList list;
    Fill(list, 2, false);
    const QAbstractItemModel* model = list.model();
    const std::tuple<const char*, int, int> columns[] = {
        {"Path", 200, Qt::AlignLeft}, {"Ext", 0, Qt::AlignHCenter}, {"Length", 80, Qt::AlignRight}};
    for (int c = 0; c < 3; ++c) {
        const auto& [heading, width, alignment] = columns[c];
        EXPECT_EQ(model->headerData(c, Qt::Horizontal).toString(), heading);
        EXPECT_EQ(list.horizontalHeader()->sectionSize(c), width) << c;
        EXPECT_EQ(model->data(model->index(0, c), Qt::TextAlignmentRole).toInt(), alignment | Qt::AlignVCenter) << c;
    }
    // A Linux name may be any bytes: the view shows U+FFFD where they are not UTF-8, the row keeps them.
    list.SetItemText(0, 0, "bad\xff.txt");
    EXPECT_EQ(model->data(model->index(0, 0)).toString(), QString::fromUtf16(u"bad\uFFFD.txt"));
    EXPECT_EQ(list.GetItemText(0, 0), "bad\xff.txt");
    EXPECT_EQ(model->data(model->index(1, 0), Qt::ToolTipRole).toString(), "tip");
    EXPECT_FALSE(model->data(model->index(0, 0), Qt::ToolTipRole).isValid());
}

int ByDataDescending(std::intptr_t a, std::intptr_t b, std::intptr_t) { return a < b; }

// Random item-state calls, clicks, sorts and single deletes against a set of selected rows, the
// current row and the Shift anchor: every way of asking for the selection must agree with it, and
// OnItemChanged runs exactly when a row's state changed (never for a sort or a cell write).
TEST(ListCtrlTest, SelectionAndCurrentRowMatchAReference) {
    RecordingList list;
    Fill(list, 14);
    std::mt19937 random(5);
    const auto pick = [&random](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    std::set<int> selected;
    int current = list.Current(), anchor = -1;
    for (int step = 0; step < 150; ++step) {
        const int n = list.GetItemCount();
        const int row = pick(n);
        const std::set<int> selectedBefore = selected;
        const int currentBefore = current;
        list.events.clear();
        int told = -1;  // OnItemChanged ran (1) or not (0); -1: exactly when a row's state changed; 2: either
        switch (const int op = pick(9)) {
        case 0: case 1: {  // one row, every row (-1), or none past the end
            const int which = pick(n + 2) - 1;
            const bool select = pick(3) != 0;
            EXPECT_EQ(list.SetItemState(which, select ? LVIS_SELECTED : 0u, LVIS_SELECTED), which < n);
            for (int r = std::max(which, 0); which < n && r <= (which < 0 ? n - 1 : which); ++r)
                if (select) selected.insert(r); else selected.erase(r);
            break;
        }
        case 2:
            list.SetItemState(current = row, LVIS_FOCUSED, LVIS_FOCUSED);
            break;
        case 3: case 4: case 5: {  // click, Ctrl+click, Shift+click (from the last click without Shift)
            const auto keys = op == 4 ? Qt::ControlModifier : op == 5 && anchor >= 0 ? Qt::ShiftModifier : Qt::NoModifier;
            QTest::mouseClick(list.viewport(), Qt::LeftButton, keys, list.RowCenter(row));
            const int from = keys == Qt::ShiftModifier ? anchor : row;
            const bool toggledOff = keys == Qt::ControlModifier && selected.erase(row);
            if (keys != Qt::ControlModifier) selected.clear();
            for (int r = std::min(from, row); !toggledOff && r <= std::max(from, row); ++r) selected.insert(r);
            anchor = from;
            current = row;
            break;
        }
        case 6: {  // the rows it named moved: cleared; the current row keeps its number
            QSignalSpy layouts(list.model(), &QAbstractItemModel::layoutChanged);
            list.SortItems(ByDataDescending, 0);
            EXPECT_EQ(layouts.count(), 1);
            selected.clear();
            told = 0;
            break;
        }
        case 7: {  // one row other than the current one; the selection of the others stays
            if (n < 8 || row == current) break;
            ASSERT_TRUE(list.DeleteItem(row));
            std::set<int> moved;
            selected.erase(row);
            for (const int r : selected) moved.insert(r - (r > row));
            selected.swap(moved);
            current -= current > row;
            anchor = anchor == row ? -1 : anchor - (anchor > row);
            told = 2;  // a selected row going may be told of
            break;
        }
        default:  // a cell written from the handler's side never notifies
            list.SetItemText(row, 2, "count " + std::to_string(step));
            list.SetItemData(row, step);
            break;
        }
        const std::string where = "step " + std::to_string(step);
        ASSERT_EQ(list.GetSelectedItems(), std::vector<int>(selected.begin(), selected.end())) << where;
        ASSERT_EQ(list.GetSelectedCount(), selected.size()) << where;
        ASSERT_EQ(list.Current(), current) << where;
        ASSERT_EQ(list.verticalHeader()->count(), list.GetItemCount()) << where;
        for (int r = -1; r <= list.GetItemCount(); ++r) {
            const auto next = selected.upper_bound(r);
            ASSERT_EQ(list.GetNextItem(r, LVNI_SELECTED), next == selected.end() ? -1 : *next) << where << " " << r;
            ASSERT_EQ(list.GetNextItem(r, LVNI_FOCUSED), current > r ? current : -1) << where;
            ASSERT_EQ(list.GetNextItem(r, LVNI_FOCUSED | LVNI_SELECTED), current > r && selected.count(current) ? current : -1);
            ASSERT_EQ(list.GetItemState(r, LVIS_SELECTED | LVIS_FOCUSED),
                      (selected.count(r) ? LVIS_SELECTED : 0u) | (r == current && r >= 0 ? LVIS_FOCUSED : 0u)) << where;
        }
        if (told == -1) told = selected != selectedBefore || current != currentBefore;
        if (told != 2) {
            ASSERT_EQ(!list.events.empty(), told == 1) << where;
        }
    }
}

// The current row keeps its place when rows above it go, moves to the next row left when it goes
// itself, and to the last row when every row after it went too.
TEST(ListCtrlTest, DeleteItemsKeepsTheCurrentRowsPlace) {
    RecordingList list;
    std::mt19937 random(11);
    for (int trial = 0; trial < 60; ++trial) {
        Fill(list, 12, false);
        const int current = static_cast<int>(random() % 12);
        list.SetItemState(current, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
        std::vector<int> doomed, kept;
        for (int r = 0; r < 12; ++r)  // the current row among them on every other trial; all after it on every third
            ((r == current ? trial % 2 == 0 : (trial % 3 == 0 && r > current) || random() % 3 == 0) ? doomed : kept).push_back(r);
        ASSERT_EQ(list.DeleteItems(doomed), static_cast<int>(doomed.size()));
        std::vector<int> left;
        for (int r = 0; r < list.GetItemCount(); ++r) left.push_back(std::stoi(std::string(list.GetItemText(r, 0).substr(1))));
        EXPECT_EQ(left, kept);
        EXPECT_EQ(list.verticalHeader()->count(), static_cast<int>(kept.size()));
        const auto place = std::lower_bound(kept.begin(), kept.end(), current) - kept.begin();  // the next row kept
        EXPECT_EQ(list.Current(), kept.empty() ? -1 : std::min(static_cast<int>(place), static_cast<int>(kept.size()) - 1))
            << "trial " << trial;
        EXPECT_EQ(list.GetSelectedCount(), 0u);
    }
}

TEST(ListCtrlTest, KeysReachOnKeyDownFirstWithTheCtrlStateAndEnterOpensNothing) {
    RecordingList list;
    Fill(list, 10);
    // Focus goes to the first row first, then OnSetFocus.
    EXPECT_EQ(list.events, (std::vector<std::string>{"changed 0", "focus"}));
    list.SetItemState(0, LVIS_FOCUSED, LVIS_FOCUSED);
    list.events.clear();
    QSignalSpy activated(&list, &QAbstractItemView::activated);
    // Ctrl goes down as a key of its own first (17); a move changes the current row and the selection.
    const struct { Qt::Key key; Qt::KeyboardModifiers modifiers; std::vector<std::string> events; } keys[] = {
        {Qt::Key_Down, {}, {"key 40 at 0", "changed 1", "changed 1"}},  // handler first, then the move
        {Qt::Key_End, {}, {"key 35 at 1", "changed 9", "changed 9"}},
        {Qt::Key_Right, {}, {"key 39 at 9"}},  // scrolls; the row stays
        {Qt::Key_Home, {}, {"key 36 at 9", "changed 0", "changed 0"}},
        {Qt::Key_Return, {}, {"key 13 at 0"}},
        {Qt::Key_Enter, Qt::KeypadModifier, {"key 13 at 0"}},
        {Qt::Key_F2, {}, {"key 113 at 0"}},  // the usual key to edit a cell
        {Qt::Key_Delete, {}, {"key 46 at 0"}},
        {Qt::Key_A, Qt::ControlModifier, {"key 17 ctrl at 0", "key 65 ctrl at 0", "changed 0"}},
    };
    for (const auto& key : keys) {
        list.events.clear();
        QTest::keyClick(&list, key.key, key.modifiers);
        EXPECT_EQ(list.events, key.events) << key.key;
    }
    EXPECT_EQ(list.GetSelectedCount(), 10u);  // the default handling of Ctrl+A ran too
    EXPECT_EQ(activated.count(), 0);
    EXPECT_TRUE(list.findChildren<QLineEdit*>().isEmpty());
}

TEST(ListCtrlTest, HeaderClicksAndDoubleClicksReportTheirColumnAndRow) {
    RecordingList list;
    Fill(list, 10);
    list.events.clear();
    for (const int column : {2, 0})
        QTest::mouseClick(list.horizontalHeader()->viewport(), Qt::LeftButton, {},
                          QPoint(list.horizontalHeader()->sectionViewportPosition(column) + 10, 5));
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, list.RowCenter(2));
    // Below the last row: no row.
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, list.RowCenter(9) + QPoint(0, 60));
    // The double-clicked row became the current one before the notification.
    EXPECT_EQ(list.events, (std::vector<std::string>{"column 2", "column 0", "changed 2", "changed 2", "dblclk 2",
                                                     "dblclk -1"}));
    EXPECT_EQ(list.GetItemText(0, 0), "r0");  // a header click sorts nothing
}

// Typing goes to the next row whose first cell starts with the typed bytes, ASCII letters in
// either case; more characters within the interval keep extending the text.
TEST(ListCtrlTest, TypeAheadMatchesTheFirstCellsBytes) {
    RecordingList list;
    Fill(list, 0, false);
    for (const char* text : {"alpha", "Zeta", "beta", "zebra", "caf\xc3\xa9", "CAFE", "\xc3\x89" "clair"})
        list.InsertItem(list.GetItemCount(), text, 0);
    const int interval = QApplication::keyboardInputInterval();
    const struct { const char16_t* typed; bool goesOn; int row; } steps[] = {
        {u"z", false, 1}, {u"e", true, 1}, {u"b", true, 3}, {u"z", false, 1}, {u"caf\u00e9", false, 4},
        {u"CAF", false, 5}, {u"\u00e9", false, 5}, {u"\u00c9c", false, 6}, {u"A", false, 0},
    };
    for (const auto& step : steps) {
        QApplication::setKeyboardInputInterval(step.goesOn ? 1000000 : 0);
        QTest::qSleep(2);  // a new text after more than the interval
        list.keyboardSearch(QString::fromUtf16(step.typed));
        EXPECT_EQ(list.Current(), step.row) << QString::fromUtf16(step.typed).toStdString();
        EXPECT_EQ(list.GetSelectedItems(), std::vector<int>{step.row});
    }
    QApplication::setKeyboardInputInterval(interval);
}

}  // namespace
