#include "platform/ListCtrl.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

// A list control that writes down every notification, with what it saw at that moment.
class RecordingList : public CListCtrl {
public:
    std::vector<std::string> events;
    std::function<void(int)> whenItemChanged;

    QModelIndex Cell(int row, int col = 0) const { return model()->index(row, col); }
    QPoint RowCenter(int row) const { return visualRect(Cell(row)).center(); }
    bool Editing() const { return state() == EditingState; }

protected:
    void OnColumnClick(int nSubItem) override { events.push_back("column " + std::to_string(nSubItem)); }
    void OnDblClk(int nItem) override { events.push_back("dblclk " + std::to_string(nItem)); }
    void OnItemChanged(int nItem) override {
        events.push_back("changed " + std::to_string(nItem));
        if (whenItemChanged) whenItemChanged(nItem);
    }
    void OnKeyDown(unsigned nChar) override {
        events.push_back("key " + std::to_string(nChar) + (GetKeyState(VK_CONTROL) < 0 ? " ctrl" : "") +
                         " at " + std::to_string(currentIndex().row()));
    }
    void OnSetFocus() override { events.push_back(hasFocus() ? "focus" : "focus, not yet had"); }
    std::string GetCellToolTip(int nItem, int nSubItem) const override {
        return nItem == 1 && nSubItem == 0 ? "root of row 1" : "";
    }
};

// Columns as a Directories table has them: one of width 0 among them.
void AddColumns(CListCtrl& list) {
    list.InsertColumn(0, "Path", LVCFMT_LEFT, 200, 0);
    list.InsertColumn(1, "Ext", LVCFMT_CENTER, 0, 1);
    list.InsertColumn(2, "Length", LVCFMT_RIGHT, 80, 2);
}

void Fill(CListCtrl& list, int rows) {
    CTextColumn columns[3];
    for (int r = 0; r < rows; ++r) {
        columns[0].Add("/data/file" + std::to_string(r));
        columns[1].Add("txt");
        columns[2].Add(std::to_string(r * 100));
    }
    std::vector<CTextColumn> cells;
    for (auto& column : columns) cells.push_back(std::move(column));
    list.TakeRows(std::move(cells));
}

// Shown, so that input reaches it; 10 rows leave an empty area below the last one.
struct ShownList {
    RecordingList list;
    explicit ShownList(int rows = 10) {
        AddColumns(list);
        Fill(list, rows);
        list.resize(600, 400);
        list.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&list));
        list.activateWindow();
        list.setFocus();
        QApplication::processEvents();
        list.events.clear();
    }
};

TEST(ListCtrlTest, LooksAndBehavesLikeAReportList) {
    RecordingList list;
    AddColumns(list);
    Fill(list, 5);
    EXPECT_EQ(list.selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(list.selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(list.editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_TRUE(list.showGrid());
    EXPECT_FALSE(list.isSortingEnabled());
    EXPECT_TRUE(list.verticalHeader()->isHidden());
    EXPECT_EQ(list.verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
    EXPECT_FALSE(list.horizontalHeader()->sectionsMovable());
    EXPECT_FALSE(list.horizontalHeader()->isHidden());
    for (int r = 0; r < 5; ++r) EXPECT_FALSE(list.model()->flags(list.Cell(r)) & Qt::ItemIsEditable);

    ASSERT_EQ(list.GetColumnCount(), 3);
    ASSERT_EQ(list.model()->columnCount(), 3);
    const char* names[] = {"Path", "Ext", "Length"};
    const int widths[] = {200, 0, 80};
    const int formats[] = {LVCFMT_LEFT, LVCFMT_CENTER, LVCFMT_RIGHT};
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(list.GetColumnHeading(c), names[c]);
        EXPECT_EQ(list.model()->headerData(c, Qt::Horizontal).toString().toStdString(), names[c]);
        EXPECT_EQ(list.GetColumnWidth(c), widths[c]);
        EXPECT_EQ(list.GetColumnFormat(c), formats[c]);
    }

    list.resize(600, 300);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    // The width-0 column exists but takes no room: the next column starts where it does.
    EXPECT_EQ(list.horizontalHeader()->sectionSize(1), 0);
    EXPECT_FALSE(list.horizontalHeader()->isSectionHidden(1));
    EXPECT_EQ(list.columnViewportPosition(2), list.columnViewportPosition(1));
    EXPECT_EQ(list.columnViewportPosition(1), 200);
    EXPECT_EQ(list.rowHeight(0), list.rowHeight(4));
}

TEST(ListCtrlTest, ModelShowsBytesAsUtf8AndAnswersOnlyItsRoles) {
    RecordingList list;
    AddColumns(list);
    const std::string invalid = "bad\xff\xfe.txt";  // not UTF-8: a Linux name may be any bytes
    list.InsertItem(0, invalid, 0);
    list.InsertItem(1, "caf\xc3\xa9", 1);
    list.SetItemText(1, 2, "12");
    const QAbstractItemModel* model = list.model();

    EXPECT_EQ(model->data(list.Cell(0)).toString(), QString::fromUtf16(u"bad\uFFFD\uFFFD.txt"));
    EXPECT_EQ(list.GetItemText(0, 0), invalid);  // the stored bytes stay exact
    EXPECT_EQ(model->data(list.Cell(1)).toString(), QString::fromUtf16(u"caf\u00e9"));
    EXPECT_EQ(model->data(list.Cell(1, 2)).toString(), "12");
    EXPECT_EQ(model->data(list.Cell(0, 2)).toString(), "");

    const int expected[] = {Qt::AlignLeft | Qt::AlignVCenter, Qt::AlignHCenter | Qt::AlignVCenter,
                            Qt::AlignRight | Qt::AlignVCenter};
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(model->data(list.Cell(0, c), Qt::TextAlignmentRole).toInt(), expected[c]) << c;
        EXPECT_EQ(model->headerData(c, Qt::Horizontal, Qt::TextAlignmentRole).toInt(), expected[c]) << c;
    }
    EXPECT_EQ(model->data(list.Cell(1, 0), Qt::ToolTipRole).toString(), "root of row 1");
    EXPECT_FALSE(model->data(list.Cell(0, 0), Qt::ToolTipRole).isValid());
    for (const int role : {int(Qt::EditRole), int(Qt::FontRole), int(Qt::DecorationRole), int(Qt::BackgroundRole)})
        EXPECT_FALSE(model->data(list.Cell(0, 0), role).isValid()) << role;
}

TEST(ListCtrlTest, TakeRowsResetsTheModelOnceAndLeavesTheColumnsEmpty) {
    RecordingList list;
    AddColumns(list);
    list.InsertItem(0, "replaced", 0);
    QSignalSpy resets(list.model(), &QAbstractItemModel::modelReset);
    QSignalSpy inserts(list.model(), &QAbstractItemModel::rowsInserted);
    CTextColumn scanned[3];
    for (int r = 0; r < 1000; ++r) scanned[0].Add("p" + std::to_string(r));
    std::vector<CTextColumn> cells;
    for (auto& column : scanned) cells.push_back(std::move(column));
    list.TakeRows(std::move(cells));
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(inserts.count(), 0);
    EXPECT_EQ(list.GetItemCount(), 1000);
    EXPECT_EQ(list.model()->rowCount(), 1000);
    EXPECT_EQ(list.GetItemText(0, 0), "p0");
    EXPECT_EQ(list.GetItemData(999), 999);
    for (const auto& column : scanned) EXPECT_TRUE(column.IsEmpty());

    list.DeleteAllItems();
    EXPECT_EQ(resets.count(), 2);
    EXPECT_EQ(list.model()->rowCount(), 0);
}

TEST(ListCtrlTest, HeaderClickReportsTheColumnAndNeitherSortsNorSelects) {
    ShownList shown;
    RecordingList& list = shown.list;
    const std::string before = std::string(list.GetItemText(9, 0));
    QHeaderView* header = list.horizontalHeader();
    for (const int column : {2, 0}) {
        const QPoint at(header->sectionViewportPosition(column) + 10, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    }
    EXPECT_EQ(list.events, (std::vector<std::string>{"column 2", "column 0"}));
    EXPECT_EQ(list.GetSelectedCount(), 0u);
    EXPECT_EQ(list.GetItemText(9, 0), before);
}

TEST(ListCtrlTest, DoubleClickOnARowAndOnTheEmptyAreaBelowTheRows) {
    ShownList shown;
    RecordingList& list = shown.list;
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, list.RowCenter(2));
    ASSERT_FALSE(list.events.empty());
    EXPECT_EQ(list.events.back(), "dblclk 2");
    // The row became the current one before the notification.
    const auto changed = std::find(list.events.begin(), list.events.end(), "changed 2");
    EXPECT_NE(changed, list.events.end());
    EXPECT_EQ(std::count(list.events.begin(), list.events.end(), "dblclk 2"), 1);

    list.events.clear();
    const QPoint below(50, list.visualRect(list.Cell(9)).bottom() + 40);
    ASSERT_LT(below.y(), list.viewport()->height());
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, below);
    EXPECT_EQ(std::count(list.events.begin(), list.events.end(), "dblclk -1"), 1);
    EXPECT_EQ(list.events.back(), "dblclk -1");
}

TEST(ListCtrlTest, KeysReachOnKeyDownBeforeTheDefaultHandlingWithTheCtrlState) {
    ShownList shown;
    RecordingList& list = shown.list;
    list.SetItemState(0, LVIS_FOCUSED, LVIS_FOCUSED);
    list.events.clear();

    QTest::keyClick(&list, Qt::Key_Down);  // handler first (row 0 still current), then the move
    QTest::keyClick(&list, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&list, Qt::Key_D);
    QTest::keyClick(&list, Qt::Key_Delete);
    QTest::keyClick(&list, Qt::Key_F, Qt::ControlModifier);
    // Ctrl goes down as a key of its own first (17, VK_CONTROL), as it does on the desktop. A move
    // changes the current row and the selection: two notifications; Ctrl+A the selection.
    const std::vector<std::string> expected = {"key 40 at 0", "changed 1",        "changed 1",        "key 17 ctrl at 1",
                                               "key 65 ctrl at 1", "changed 1", "key 68 at 1",      "key 46 at 1",
                                               "key 17 ctrl at 1", "key 70 ctrl at 1"};
    EXPECT_EQ(list.events, expected);
    EXPECT_EQ(list.GetSelectedCount(), 10u);  // the default handling of Ctrl+A ran too
}

TEST(ListCtrlTest, EnterReachesOnlyOnKeyDownAndNeverOpensAnEditor) {
    ShownList shown;
    RecordingList& list = shown.list;
    list.SetItemState(3, LVIS_FOCUSED, LVIS_FOCUSED);
    list.events.clear();
    QSignalSpy activated(&list, &QAbstractItemView::activated);
    QTest::keyClick(&list, Qt::Key_Return);
    QTest::keyClick(&list, Qt::Key_Enter, Qt::KeypadModifier);
    QTest::keyClick(&list, Qt::Key_F2);  // the usual key to edit a cell
    EXPECT_EQ(list.events, (std::vector<std::string>{"key 13 at 3", "key 13 at 3", "key 113 at 3"}));
    EXPECT_EQ(activated.count(), 0);
    EXPECT_FALSE(list.Editing());
    EXPECT_TRUE(list.findChildren<QLineEdit*>().isEmpty());
}

TEST(ListCtrlTest, RowStateChangesReachOnItemChangedAndCellWritesNever) {
    ShownList shown;
    RecordingList& list = shown.list;
    // Like the All Drives counts: cells written from inside the handler, for every row.
    list.whenItemChanged = [&list](int) {
        for (int r = 0; r < list.GetItemCount(); ++r) list.SetItemText(r, 2, "count " + std::to_string(r));
    };
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.RowCenter(3));
    QTest::keyClick(&list, Qt::Key_Down);
    QTest::keyClick(&list, Qt::Key_End);
    QTest::keyClick(&list, Qt::Key_Right);  // scrolls; the row stays
    QTest::keyClick(&list, Qt::Key_Home);
    EXPECT_EQ(list.events, (std::vector<std::string>{"changed 3", "changed 3", "key 40 at 3", "changed 4", "changed 4",
                                                     "key 35 at 4", "changed 9", "changed 9", "key 39 at 9",
                                                     "key 36 at 9", "changed 0", "changed 0"}));
    EXPECT_EQ(list.GetItemText(9, 2), "count 9");
    EXPECT_EQ(list.GetSelectedItems(), (std::vector<int>{0}));

    list.events.clear();
    list.SetItemText(9, 0, "rewritten");
    list.SetItemText(0, 1, "x");
    list.SetItemData(9, 42);
    EXPECT_TRUE(list.events.empty());
}

TEST(ListCtrlTest, TypingMovesToTheRowThatStartsWithTheText) {
    ShownList shown;
    RecordingList& list = shown.list;
    list.SetItemText(4, 0, "Zeta");
    list.SetItemText(6, 0, "zebra");
    QTest::keyClicks(&list, "ze");
    EXPECT_EQ(list.currentIndex().row(), 4);
    EXPECT_EQ(list.GetSelectedItems(), (std::vector<int>{4}));
    QTest::keyClicks(&list, "b");  // "zeb"
    EXPECT_EQ(list.currentIndex().row(), 6);
    QTest::qWait(QApplication::keyboardInputInterval() + 50);
    QTest::keyClicks(&list, "/data/file9");
    EXPECT_EQ(list.currentIndex().row(), 9);
}

TEST(ListCtrlTest, FocusRunsOnSetFocusAfterTheDefaultHandling) {
    QWidget window;
    auto* other = new QLineEdit(&window);
    auto* list = new RecordingList;
    list->setParent(&window);
    list->move(0, 40);
    window.resize(400, 300);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.activateWindow();
    other->setFocus();
    QApplication::processEvents();
    list->events.clear();
    list->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_EQ(list->events, (std::vector<std::string>{"focus"}));
}

TEST(ListCtrlTest, SelectionAsItemState) {
    ShownList shown;
    RecordingList& list = shown.list;
    for (const int row : {4, 1, 3}) EXPECT_TRUE(list.SetItemState(row, LVIS_SELECTED, LVIS_SELECTED));
    EXPECT_TRUE(list.SetItemState(3, LVIS_SELECTED, LVIS_SELECTED));  // already: no notification
    EXPECT_EQ(list.events, (std::vector<std::string>{"changed 4", "changed 1", "changed 3"}));
    EXPECT_EQ(list.GetSelectedCount(), 3u);
    EXPECT_EQ(list.GetSelectedItems(), (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), 1);
    EXPECT_EQ(list.GetNextItem(1, LVNI_SELECTED), 3);
    EXPECT_EQ(list.GetNextItem(3, LVNI_SELECTED), 4);
    EXPECT_EQ(list.GetNextItem(4, LVNI_SELECTED), -1);
    EXPECT_EQ(list.GetNextItem(-1, LVNI_ALL), 0);
    EXPECT_EQ(list.GetNextItem(9, LVNI_ALL), -1);
    EXPECT_EQ(list.GetItemState(3, LVIS_SELECTED), LVIS_SELECTED);
    EXPECT_EQ(list.GetItemState(2, LVIS_SELECTED), 0u);

    list.events.clear();
    EXPECT_TRUE(list.SetItemState(3, 0, LVIS_SELECTED));
    EXPECT_EQ(list.GetSelectedItems(), (std::vector<int>{1, 4}));
    EXPECT_EQ(list.events, (std::vector<std::string>{"changed 3"}));
    EXPECT_FALSE(list.SetItemState(10, LVIS_SELECTED, LVIS_SELECTED));
    EXPECT_EQ(list.GetItemState(-1, LVIS_SELECTED), 0u);

    EXPECT_TRUE(list.SetItemState(6, LVIS_FOCUSED, LVIS_FOCUSED));
    EXPECT_EQ(list.GetItemState(6, LVIS_FOCUSED | LVIS_SELECTED), LVIS_FOCUSED);
    EXPECT_EQ(list.GetNextItem(-1, LVNI_FOCUSED), 6);
    EXPECT_EQ(list.GetNextItem(-1, LVNI_FOCUSED | LVNI_SELECTED), -1);
}

TEST(ListCtrlTest, ClickShiftClickAndCtrlClickSelectLikeAReportList) {
    ShownList shown;
    RecordingList& list = shown.list;
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.RowCenter(1));
    EXPECT_EQ(list.GetSelectedItems(), (std::vector<int>{1}));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::ControlModifier, list.RowCenter(3));
    EXPECT_EQ(list.GetSelectedItems(), (std::vector<int>{1, 3}));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::ShiftModifier, list.RowCenter(5));
    EXPECT_EQ(list.GetSelectedItems(), (std::vector<int>{3, 4, 5}));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::ControlModifier, list.RowCenter(4));
    EXPECT_EQ(list.GetSelectedItems(), (std::vector<int>{3, 5}));
    EXPECT_EQ(list.GetSelectedCount(), 2u);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.RowCenter(8));
    EXPECT_EQ(list.GetSelectedItems(), (std::vector<int>{8}));
}

TEST(ListCtrlTest, SelectAllItemsSelectsEveryRowAtOnceAndNotifiesOnceForTheLast) {
    RecordingList list;
    AddColumns(list);
    Fill(list, 200000);
    list.SetItemState(7, LVIS_SELECTED, LVIS_SELECTED);
    list.events.clear();
    list.SelectAllItems();
    EXPECT_EQ(list.events, (std::vector<std::string>{"changed 199999"}));
    EXPECT_EQ(list.GetSelectedCount(), 200000u);
    EXPECT_EQ(list.GetNextItem(123455, LVNI_SELECTED), 123456);
    EXPECT_EQ(list.GetSelectedItems().size(), 200000u);

    RecordingList empty;
    empty.SelectAllItems();
    EXPECT_TRUE(empty.events.empty());
}

// Ascending by the Length column, as the table's comparison does it.
int LengthAfter(std::intptr_t a, std::intptr_t b, std::intptr_t context) {
    const auto* list = reinterpret_cast<const CListCtrl*>(context);
    return std::atof(list->GetItemText(static_cast<int>(a), 2).data()) >
           std::atof(list->GetItemText(static_cast<int>(b), 2).data());
}

TEST(ListCtrlTest, SortAnnouncesOneLayoutChangeClearsTheSelectionAndKeepsTheCurrentRowNumber) {
    ShownList shown;
    RecordingList& list = shown.list;
    const char* lengths[] = {"50", "7", "", "300", "7", "1", "9", "10", "2", "40"};
    for (int r = 0; r < 10; ++r) list.SetItemText(r, 2, lengths[r]);
    list.SetItemState(2, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    list.events.clear();
    QSignalSpy layouts(list.model(), &QAbstractItemModel::layoutChanged);
    QSignalSpy resets(list.model(), &QAbstractItemModel::modelReset);

    EXPECT_TRUE(list.SortItems(LengthAfter, reinterpret_cast<std::intptr_t>(&list)));
    EXPECT_EQ(layouts.count(), 1);
    EXPECT_EQ(resets.count(), 0);
    std::vector<std::string> sorted;
    for (int r = 0; r < 10; ++r) sorted.emplace_back(list.GetItemText(r, 2));
    EXPECT_EQ(sorted, (std::vector<std::string>{"", "1", "2", "7", "7", "9", "10", "40", "50", "300"}));
    // Item data moved with the rows; the view shows the new order.
    EXPECT_EQ(list.GetItemData(9), 3);
    EXPECT_EQ(list.GetItemText(9, 0), "/data/file3");
    EXPECT_EQ(list.model()->data(list.Cell(9, 2)).toString(), "300");
    EXPECT_EQ(list.GetSelectedCount(), 0u);
    EXPECT_EQ(list.currentIndex().row(), 2);
    EXPECT_TRUE(list.events.empty());
}

TEST(ListCtrlTest, DeletingRowsKeepsTheCurrentRowInPlace) {
    ShownList shown;
    RecordingList& list = shown.list;
    list.SetItemState(6, LVIS_FOCUSED, LVIS_FOCUSED);
    for (const int row : {1, 2, 7}) list.SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(list.DeleteItems(list.GetSelectedItems()), 3);
    ASSERT_EQ(list.GetItemCount(), 7);
    EXPECT_EQ(list.GetItemText(1, 0), "/data/file3");
    EXPECT_EQ(list.GetItemText(6, 0), "/data/file9");
    EXPECT_EQ(list.currentIndex().row(), 4);  // still on file6
    EXPECT_EQ(list.GetSelectedCount(), 0u);

    EXPECT_TRUE(list.DeleteItem(0));
    EXPECT_FALSE(list.DeleteItem(6));
    EXPECT_EQ(list.GetItemText(0, 0), "/data/file3");
    EXPECT_EQ(list.model()->rowCount(), 6);
    EXPECT_EQ(list.DeleteItems({0, 1, 2, 3, 4, 5}), 6);
    EXPECT_EQ(list.GetItemCount(), 0);
    EXPECT_EQ(list.GetItemText(0, 0), "");
}

}  // namespace
