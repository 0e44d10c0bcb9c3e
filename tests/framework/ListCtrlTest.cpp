#include "framework/ListCtrl.h"

#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <vector>

namespace {

// The columns of a Directories table (one of width 0) and how the view aligns their cells.
struct Column {
    const char* heading;
    int format, width, alignment;
};
const Column kColumns[] = {{"Path", LVCFMT_LEFT, 200, Qt::AlignLeft},
                           {"Ext", LVCFMT_CENTER, 0, Qt::AlignHCenter},
                           {"Length", LVCFMT_RIGHT, 80, Qt::AlignRight}};
const char* const kNames[] = {"alpha", "Zeta", "beta", "zebra", "caf\303\251", "CAFE", "\303\211clair"};

// A list control in those columns with rows named after kNames in turn, shown (it takes the focus) for
// input. It writes down every notification: "column 2 ", "dblclk 2 ", "changed 2 ", "focus ", and keys
// as "key 40 ^ @2 " (Ctrl down, current row at that moment).
struct RecordingList : CListCtrl {
    std::string events;
    explicit RecordingList(int rows) {
        for (const Column& column : kColumns) InsertColumn(3, column.heading, column.format, column.width, 0);
        for (int r = 0; r < rows; ++r) InsertItem(r, kNames[r % 7], r);
        show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(this));
    }
    QPoint RowCenter(int row) const { return visualRect(model()->index(row, 0)).center(); }
    QVariant Cell(int row, int column, int role) const { return model()->index(row, column).data(role); }
    void OnColumnClick(int nSubItem) override { events += "column " + std::to_string(nSubItem) + " "; }
    void OnDblClk(int nItem) override { events += "dblclk " + std::to_string(nItem) + " "; }
    void OnItemChanged(int nItem) override { events += "changed " + std::to_string(nItem) + " "; }
    void OnKeyDown(unsigned nChar) override {
        const char* ctrl = GetKeyState(VK_CONTROL) < 0 ? " ^" : "";
        events += "key " + std::to_string(nChar) + ctrl + " @" + std::to_string(currentIndex().row()) + " ";
    }
    void OnSetFocus() override { events += "focus "; }
    std::string GetCellToolTip(int nItem, int nSubItem) const override { return nItem + nSubItem == 1 ? "tip" : ""; }
};

// Random item-state calls, clicks, sorts and deletes against a set of selected rows, the current
// row and the Shift anchor: every way of asking for the selection must agree with it, and
// OnItemChanged runs exactly when a row's state changed (never for a sort).
TEST(ListCtrlTest, SelectionAndCurrentRowMatchAReference) {
    RecordingList list(14);
    auto pick = [gen = std::mt19937(5)](int n) mutable { return static_cast<int>(gen() % static_cast<unsigned>(n)); };
    std::set<int> selected;
    int current = list.currentIndex().row(), anchor = -1;
    for (int step = 0; step < 300; ++step) {
        const int n = list.GetItemCount(), row = pick(n), op = pick(8);
        const auto before = std::pair(selected, current);
        list.events.clear();
        // OnItemChanged ran (1) or not (0: sorts); -1: exactly when a row's state changed; 2: either (deletes)
        int told = op < 6 ? -1 : op == 6 ? 0 : 2;
        if (op < 2) {  // one row, every row (-1), or none past the end
            const int which = pick(n + 2) - 1;
            const bool select = which >= 0 && pick(3) != 0;  // every row only unselected: Ctrl+A selects all
            EXPECT_EQ(list.SetItemState(which, select ? LVIS_SELECTED : 0u, LVIS_SELECTED), which < n);
            for (int r = std::max(which, 0); which < n && r <= (which < 0 ? n - 1 : which); ++r)
                if (select)
                    selected.insert(r);
                else
                    selected.erase(r);
        } else if (op == 2) {
            list.SetItemState(current = row, LVIS_FOCUSED, LVIS_FOCUSED);
        } else if (op < 6) {  // click, Ctrl+click, Shift+click (from the last click without Shift)
            auto mods = op == 4 ? Qt::ControlModifier : op == 5 && anchor >= 0 ? Qt::ShiftModifier : Qt::NoModifier;
            QTest::mouseClick(list.viewport(), Qt::LeftButton, mods, list.RowCenter(current = row));
            anchor = mods == Qt::ShiftModifier ? anchor : row;
            const bool toggledOff = mods == Qt::ControlModifier && selected.erase(row);
            if (mods != Qt::ControlModifier) selected.clear();
            for (int r = std::min(anchor, row); !toggledOff && r <= std::max(anchor, row); ++r) selected.insert(r);
        } else if (op == 6) {  // the rows it named moved: cleared; the current row keeps its number
            list.SortItems([](std::intptr_t a, std::intptr_t b, std::intptr_t) { return a < b ? 1 : 0; }, 0);
            selected.clear();
        } else {  // a third of the rows, all when few are left: the current row keeps its place, takes
                  // the next row left when it goes itself, the last one when all after it went too
            std::vector<int> doomed;
            for (int r = 0; r < n; ++r)  // every third time the current row and all after it among them
                if (n < 5 || pick(3) == 0 || (step % 3 == 0 && r >= current)) doomed.push_back(r);
            ASSERT_EQ(list.DeleteItems(doomed), static_cast<int>(doomed.size()));
            const int kept = n - static_cast<int>(doomed.size());
            const auto above = static_cast<int>(std::ranges::lower_bound(doomed, current) - doomed.begin());
            current = current < 0 || kept == 0 ? -1 : std::min(current - above, kept - 1);
            selected.clear();
            anchor = -1;
            for (int r = 0; kept == 0 && r < 14; ++r) list.InsertItem(r, kNames[r % 7], r);
        }
        ASSERT_EQ(list.GetSelectedItems(), std::vector<int>(selected.begin(), selected.end()));
        ASSERT_EQ(list.GetSelectedCount(), selected.size());
        ASSERT_EQ(list.currentIndex().row(), current) << step;
        for (int r = -1; r <= list.GetItemCount(); ++r) {
            const auto next = selected.upper_bound(r);
            ASSERT_EQ(list.GetNextItem(r, LVNI_SELECTED), next == selected.end() ? -1 : *next) << step << " " << r;
        }
        if (told == -1) told = before != std::pair(selected, current);
        ASSERT_TRUE(told == 2 || list.events.empty() != (told == 1)) << step << ": " << list.events;
    }
}

// Columns and cells reach the view as given. The first row is current before OnSetFocus. Header clicks report
// their column, double clicks their row (-1 below the last) after it became the current one. Keys reach OnKeyDown
// first, with the Ctrl state, then the view's own handling; Enter opens nothing. Typing goes to the next row whose
// first cell starts with the typed bytes, ASCII letters in either case; more within the interval extend the text.
TEST(ListCtrlTest, TheViewShowsTheCellsAndInputReachesTheHandlers) {
    RecordingList list(7);
    for (int c = 0; c < 3; ++c)
        EXPECT_EQ((QVariantList{list.model()->headerData(c, Qt::Horizontal), list.GetColumnWidth(c),
                                list.Cell(0, c, Qt::TextAlignmentRole), list.Cell(0, c, Qt::ToolTipRole)}),
                  (QVariantList{kColumns[c].heading, kColumns[c].width, kColumns[c].alignment | Qt::AlignVCenter,
                                c == 1 ? QVariant("tip") : QVariant()}));
    EXPECT_EQ(list.Cell(4, 0, Qt::DisplayRole), QString::fromUtf16(u"caf\u00e9"));  // names are UTF-8
    QTest::mouseClick(list.horizontalHeader()->viewport(), Qt::LeftButton, {},
                      QPoint(list.horizontalHeader()->sectionViewportPosition(2) + 10, 5));
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, list.RowCenter(2));
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, list.RowCenter(6) + QPoint(0, 60));
    QSignalSpy activated(&list, &QAbstractItemView::activated);
    const std::pair<Qt::Key, Qt::KeyboardModifiers> keys[] = {{Qt::Key_Down, {}},   {Qt::Key_End, {}},
                                                              {Qt::Key_Home, {}},   {Qt::Key_Enter, Qt::KeypadModifier},
                                                              {Qt::Key_Delete, {}}, {Qt::Key_A, Qt::ControlModifier}};
    for (const auto& [key, modifiers] : keys) QTest::keyClick(&list, key, modifiers);
    EXPECT_EQ(list.events,
              "changed 0 focus column 2 changed 2 changed 2 dblclk 2 dblclk -1 "
              "key 40 @2 changed 3 changed 3 key 35 @3 changed 6 changed 6 key 36 @6 changed 0 changed 0 "
              "key 13 @0 key 46 @0 key 17 ^ @0 key 65 ^ @0 changed 0 ");
    EXPECT_EQ(activated.count(), 0);
    const int interval = QApplication::keyboardInputInterval();
    const struct {
        const char16_t* typed;
        bool goesOn;
        int row;
    } steps[] = {{u"z", false, 1},      {u"e", true, 1},          {u"b", true, 3},
                 {u"z", false, 1},      {u"caf\u00e9", false, 4}, {u"CAF", false, 5},
                 {u"\u00e9", false, 5}, {u"\u00c9c", false, 6},   {u"A", false, 0}};
    for (const auto& step : steps) {
        QApplication::setKeyboardInputInterval(step.goesOn ? 1000000 : 0);
        QTest::qSleep(2);  // a new text after more than the interval
        list.keyboardSearch(QString::fromUtf16(step.typed));
        EXPECT_EQ(list.GetSelectedItems(), std::vector<int>{step.row}) << QString::fromUtf16(step.typed).toStdString();
    }
    QApplication::setKeyboardInputInterval(interval);
}

}  // namespace
