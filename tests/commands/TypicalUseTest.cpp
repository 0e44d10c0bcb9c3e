#include "commands/TableWindowsFixture.h"

#include "app/MainFrame.h"
#include "app/Resource.h"
#include "app/ZorbinApp.h"
#include "platform/Document.h"
#include "table/ListView_Table.h"
#include "table/TableKind.h"

#include <QAction>
#include <QHeaderView>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

using TypicalUseTest = TableWindowsFixture;

// Start, open drive C, sort its Files table by name, find the doubles, open one and delete a run,
// all through the windows, keys, header and menu as a user reaches them.
TEST_F(TypicalUseTest, StartOpenSortFindDoublesOpenAndDelete) {
    const std::string report(100, 'r');
    const std::string docs = m_dir.MakeFile("C/docs/report.txt", report);
    const std::string backup = m_dir.MakeFile("C/backup/report.txt", report);
    m_dir.MakeFile("C/docs/photo.jpg", "jpg of 24 bytes........");
    m_dir.MakeFile("C/photo.jpg", "another jpg, longer.........");
    m_dir.MakeFile("C/notes.md", "n");
    UseRecordingOpener();

    // (1) The program starts with the All Drives table.
    CListView_Table* allDrives = ActiveTable();
    ASSERT_NE(allDrives, nullptr);
    ASSERT_EQ(allDrives->m_nKind, AllDrives);
    ASSERT_EQ(allDrives->GetItemText(0, 0), "   C");

    // (2) Enter on the row of drive C opens its Directories table, then its Files table.
    allDrives->setCurrentIndex(allDrives->model()->index(0, 0));
    allDrives->setFocus();
    QTest::keyClick(allDrives, Qt::Key_Return);
    CListView_Table* files = ActiveTable();
    ASSERT_EQ(files->m_nKind, Files);
    EXPECT_EQ(WindowCount(), 3);
    EXPECT_EQ(files->GetDocument()->GetTitle(), "C: Files");
    ASSERT_EQ(files->GetItemCount(), 5);

    // (3) A click on the "Name" header sorts by name.
    QHeaderView* header = files->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(1) + 10, header->height() / 2));
    EXPECT_EQ(files->GetDocument()->GetTitle(), "C: Files (Name -> AZ)");

    // (4) Find Doubles from the menu: the two reports, and nothing else.
    static_cast<CMainFrame*>(theApp.m_pMainWnd)->GetAction(ID_FIND_DOUBLES)->trigger();
    CListView_Table* doubles = ActiveTable();
    ASSERT_EQ(doubles->m_nKind, Doubles);
    EXPECT_EQ(doubles->GetDocument()->GetTitle(), "C: Doubles");
    ASSERT_EQ(doubles->GetItemCount(), 2);
    EXPECT_EQ(doubles->GetItemText(0, 1), " report.txt");
    EXPECT_EQ(doubles->GetItemText(1, 1), " report.txt");
    EXPECT_EQ(doubles->GetItemText(0, 3), " 100");

    // (5) Enter on a row hands its path, without the blank, to the opener ...
    doubles->setCurrentIndex(doubles->model()->index(1, 0));
    QTest::keyClick(doubles, Qt::Key_Return);
    const std::string second(doubles->GetItemText(1, 0).substr(1));
    EXPECT_EQ(Opened(), second + "\n");

    // ... and Delete, after Yes, takes the selected files to the trash.
    QTest::keyClick(doubles, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(doubles, Qt::Key_Delete);
    ASSERT_EQ(m_boxes.boxes.size(), 1u);
    EXPECT_EQ(m_boxes.boxes[0].text, "Delete those 2 files from disk?");
    EXPECT_EQ(doubles->GetItemCount(), 0);
    EXPECT_FALSE(fs::exists(docs));
    EXPECT_FALSE(fs::exists(backup));
    EXPECT_EQ(ListingOrder(m_dataHome + "/Trash/files").size(), 2u);
    EXPECT_TRUE(fs::exists(m_driveC + "/docs/photo.jpg"));
    EXPECT_TRUE(fs::exists(m_driveC + "/notes.md"));
    // The Files table was not refreshed: it still lists what it found.
    EXPECT_EQ(files->GetItemCount(), 5);
}
