#include "TestSupport.h"
#include "platform/MessageBox.h"
#include "platform/WaitCursor.h"

#include <QApplication>
#include <QCursor>
#include <QWidget>
#include <gtest/gtest.h>

TEST(MessageBoxLayer, ApplicationBoxIsCaptionedZorbinAndOwnedByTheMainWindow) {
    MessageBoxRecorder recorder;
    recorder.answers = {IDNO};
    // No main window yet: no owner.
    EXPECT_EQ(AfxMessageBox("Delete?", MB_YESNO | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(AfxMessageBox("Told.", MB_ICONINFORMATION), IDOK);
    ASSERT_EQ(recorder.boxes.size(), 2u);
    EXPECT_EQ(recorder.boxes[0].caption, "Zorbin");
    EXPECT_EQ(recorder.boxes[0].owner, nullptr);
    EXPECT_EQ(recorder.boxes[0].text, "Delete?");
    EXPECT_EQ(recorder.boxes[0].type, MB_YESNO | MB_ICONQUESTION);
    EXPECT_EQ(recorder.boxes[1].type, MB_ICONINFORMATION);
}

TEST(MessageBoxLayer, PlainBoxTakesOwnerAndCaptionAsGiven) {
    MessageBoxRecorder recorder;
    QWidget owner;
    EXPECT_EQ(MessageBoxA(&owner, "Please select one or more files for delete.", "", MB_OK), IDOK);
    ASSERT_EQ(recorder.boxes.size(), 1u);
    EXPECT_EQ(recorder.boxes[0].owner, &owner);
    EXPECT_EQ(recorder.boxes[0].caption, "");
    EXPECT_EQ(recorder.boxes[0].type, MB_OK);
}

TEST(MessageBoxLayer, HandlersNestAndRestore) {
    MessageBoxRecorder outer;
    {
        MessageBoxRecorder inner;
        AfxMessageBox("inner");
        EXPECT_EQ(inner.boxes.size(), 1u);
    }
    AfxMessageBox("outer");
    ASSERT_EQ(outer.boxes.size(), 1u);
    EXPECT_EQ(outer.boxes[0].text, "outer");
}

TEST(WaitCursor, NestedBeginsEndInPairs) {
    ASSERT_EQ(QApplication::overrideCursor(), nullptr);
    DoWaitCursor(1);
    DoWaitCursor(1);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    DoWaitCursor(-1);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    DoWaitCursor(-1);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // One end too many does not take a cursor that somebody else set.
    QApplication::setOverrideCursor(Qt::CrossCursor);
    DoWaitCursor(-1);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::CrossCursor);
    QApplication::restoreOverrideCursor();
}
