#include "commands/TableWindowsFixture.h"

#include "platform/Document.h"
#include "platform/MDIFrameWnd.h"
#include "platform/StatusBar.h"
#include "platform/MessageBox.h"
#include "table/ListView_Table.h"
#include "table/SortGlobals.h"
#include "table/TableKind.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

namespace {

class KeysTest : public TableWindowsFixture {
protected:
    void SetUp() override {
        TableWindowsFixture::SetUp();
        for (const char* name : {"a1", "b2", "c3", "d4", "e5"}) m_dir.MakeFile(std::string("C/") + name, name);
        m_dir.MakeDir("C/sub");
    }
    static void SetCurrentRow(CListView_Table* table, int nRow) {
        table->setCurrentIndex(table->model()->index(nRow, 0));
    }
};

}  // namespace

TEST_F(KeysTest, EnterOpensTheCurrentRowAndDownMovesIt) {
    UseRecordingOpener();
    CListView_Table* files = OpenTable(Files, 0);
    ASSERT_EQ(files->GetItemCount(), 5);
    SetCurrentRow(files, 1);
    ASSERT_EQ(files->m_nRow, 1);

    QTest::keyClick(files, Qt::Key_Return);
    // A key the table does not handle itself still gets the list's own handling.
    QTest::keyClick(files, Qt::Key_Down);
    EXPECT_EQ(files->m_nRow, 2);
    QTest::keyClick(files, Qt::Key_Enter);

    EXPECT_EQ(Opened(), std::string(files->GetItemText(1, 0)) + "\n" + std::string(files->GetItemText(2, 0)) + "\n");
}

TEST_F(KeysTest, CtrlASelectsEveryRowAndEndsOnTheLast) {
    CListView_Table* files = OpenTable(Files, 0);
    SetCurrentRow(files, 1);
    QTest::keyClick(files, Qt::Key_A);  // without Ctrl: no select-all
    EXPECT_LE(files->GetSelectedCount(), 1u);

    QTest::keyClick(files, Qt::Key_A, Qt::ControlModifier);

    EXPECT_EQ(files->GetSelectedCount(), 5u);
    EXPECT_EQ(files->GetSelectedItems(), (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(files->m_nRow, 4);
}

TEST_F(KeysTest, DeleteHidesTheTableWhileItAsksAndDoesNothingInAllDrives) {
    CListView_Table* allDrives = ActiveTable();
    CListView_Table* files = OpenTable(Files, 0);
    std::vector<MessageBoxRequest> boxes;
    std::vector<bool> visibleDuringBox;
    const MessageBoxHandler previous = SetMessageBoxHandler([&](const MessageBoxRequest& request) {
        boxes.push_back(request);
        visibleDuringBox.push_back(files->isVisible());
        return (request.type & 0x0F) == MB_YESNO ? IDYES : IDOK;
    });

    QTest::keyClick(allDrives, Qt::Key_Delete);
    EXPECT_TRUE(boxes.empty());

    QTest::keyClick(files, Qt::Key_Delete);  // nothing selected
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Please select one or more files for delete.");

    const std::string first(files->GetItemText(0, 0));
    files->SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    QTest::keyClick(files, Qt::Key_Delete);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, "Delete a file\n\n" + first + "\n\nfrom disk?");
    EXPECT_EQ(visibleDuringBox, (std::vector<bool>{false, false}));
    EXPECT_TRUE(files->isVisible());
    EXPECT_EQ(files->GetItemCount(), 4);
    // The status line counts the rows that are left.
    EXPECT_EQ(AfxGetMainWnd()->GetStatusBar()->GetPaneText(0), " Line:      1 /      4");
    EXPECT_FALSE(std::filesystem::exists(first));
    EXPECT_TRUE(std::filesystem::exists(m_dataHome + "/Trash/files/" + std::filesystem::path(first).filename().string()));
    SetMessageBoxHandler(previous);
}

TEST_F(KeysTest, ASortAfterADeleteOrdersTheRowsThatAreLeft) {
    // The rows that stayed kept their old item data, and the next sort read other rows' cells
    // through it: f18, f17 ... f01, f19.
    for (int i = 0; i < 20; ++i) m_dir.MakeFile("C/f" + std::string(i < 10 ? "0" : "") + std::to_string(i));
    CListView_Table* files = OpenTable(Files, 0);
    files->OnColumnClick(1);
    if (g_bSortDescending) files->OnColumnClick(1);  // ascending, so that the next sort is descending
    files->SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    QTest::keyClick(files, Qt::Key_Delete);
    files->OnColumnClick(1);
    ASSERT_TRUE(g_bSortDescending);

    std::vector<std::string> left;  // the files still on the drive, by name, descending
    for (const auto& entry : std::filesystem::recursive_directory_iterator(m_driveC))
        if (entry.is_regular_file()) left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end(), std::greater<>());
    ASSERT_EQ(left.size(), 24u);
    std::vector<std::string> shown;
    for (const Row& row : Rows(files)) shown.push_back(row[1]);
    EXPECT_EQ(shown, left);
}

TEST_F(KeysTest, CtrlDAndCtrlFDoNothingWhereTheMenuCommandsRefuse) {
    CListView_Table* allDrives = ActiveTable();
    CListView_Table* dirs = OpenTable(Directories, 0);
    CListView_Table* doubles = OpenTable(Doubles, 0);
    CListView_Table* found = OpenTable(Found, 0);
    const int windows = WindowCount();
    for (CListView_Table* table : {allDrives, dirs, doubles, found}) {
        QTest::keyClick(table, Qt::Key_D, Qt::ControlModifier);
    }
    QTest::keyClick(allDrives, Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(m_boxes.boxes.empty());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(WindowCount(), windows);
}

TEST_F(KeysTest, CtrlDAndCtrlFRunTheSearches) {
    CListView_Table* files = OpenTable(Files, 0);
    files->OnColumnClick(1);
    QTest::keyClick(files, Qt::Key_D, Qt::ControlModifier);
    CListView_Table* doubles = ActiveTable();
    EXPECT_EQ(doubles->m_nKind, Doubles);
    EXPECT_TRUE(m_boxes.boxes.empty());

    // Ctrl+F works in a Directories, Doubles or Found table too.
    CListView_Table* dirs = OpenTable(Directories, 0);
    for (CListView_Table* table : {files, dirs, doubles}) {
        WithDialog([](QWidget* dialog) { TypeAndEnter(dialog, "B"); },
                   [&] { QTest::keyClick(table, Qt::Key_F, Qt::ControlModifier); });
        EXPECT_EQ(ActiveTable()->m_nKind, Found);
        EXPECT_EQ(ActiveTable()->GetItemCount(), table == files ? 1 : table == dirs ? 1 : 0);
    }
}
