#include "commands/Dia_Find.h"
#include "commands/ResultLines.h"
#include "commands/TableWindowsFixture.h"

#include "app/MainFrame.h"
#include "app/Resource.h"
#include "app/ZorbinApp.h"
#include "platform/Document.h"
#include "table/ListView_Table.h"
#include "table/TableKind.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

Row NameRow(const std::string& name) {
    return {"/d/" + name, name, "", "1", "", "02/02/2024 11:00:00", "03/02/2024 12:00:00"};
}

class FindByNameTest : public TableWindowsFixture {
protected:
    // Runs Find Files or Dirs in the table, typing text into the dialog; returns the new table.
    CListView_Table* Find(CListView_Table* table, const std::string& text) {
        WithDialog([&](QWidget* dialog) { TypeAndEnter(dialog, text); }, [&] { table->FindByName(); });
        return ActiveTable();
    }
    CListView_Table* FilesTable(const std::vector<std::string>& names) {
        CListView_Table* table = OpenTable(Files, 0);
        std::vector<Row> rows;
        for (const std::string& name : names) rows.push_back(NameRow(name));
        SetRows(table, rows);
        return table;
    }
    static std::vector<std::string> Names(const CListView_Table* table) {
        std::vector<std::string> names;
        for (int i = 0; i < table->GetItemCount(); ++i) names.emplace_back(table->GetItemText(i, 1));
        return names;
    }
};

}  // namespace

TEST_F(FindByNameTest, NamesHoldingTheTextInAnyCase) {
    struct Case {
        std::string text;
        std::vector<std::string> found;  // names, as the Found table shows them
        std::string title;
    };
    const std::vector<std::string> names = {"a.txt", "B.Txt", "txtnotes", "x.txt.bak", "report.doc", "xtxt",
                                            "\xC3\x84rger.TXT", "\xC4" "BC.txt", "\xC3\xA4rger.md"};
    const Case cases[] = {
        {"TXT", {" a.txt", " B.Txt", " txtnotes", " x.txt.bak", " xtxt", " \xC3\x84rger.TXT", " \xC4" "BC.txt"},
         "C: Found 7 lines like \"txt\""},
        {".txt", {" a.txt", " B.Txt", " x.txt.bak", " \xC3\x84rger.TXT", " \xC4" "BC.txt"}, "C: Found 5 lines like \".txt\""},
        // Ä and ä match in names that are UTF-8; the name that is not UTF-8 matches by ASCII only.
        {"\xC3\xA4RGER", {" \xC3\x84rger.TXT", " \xC3\xA4rger.md"}, "C: Found 2 lines like \"\xC3\xA4rger\""},
        {"bc", {" \xC4" "BC.txt"}, "C: Found 1 lines like \"bc\""},
        {"", {" a.txt", " B.Txt", " txtnotes", " x.txt.bak", " report.doc", " xtxt", " \xC3\x84rger.TXT",
              " \xC4" "BC.txt", " \xC3\xA4rger.md"}, "C: Found 9 lines like \"\""},
        {"nothing", {}, "C: Found 0 lines like \"nothing\""},
    };
    for (const Case& c : cases) {
        CListView_Table* files = FilesTable(names);
        CListView_Table* found = Find(files, c.text);
        ASSERT_NE(found, files) << c.text;
        EXPECT_EQ(found->m_nKind, Found);
        EXPECT_EQ(Names(found), c.found) << c.text;
        EXPECT_EQ(found->GetDocument()->GetTitle(), c.title);
        EXPECT_TRUE(g_aResultLines.IsEmpty());
    }
    EXPECT_TRUE(m_boxes.boxes.empty());
}

TEST_F(FindByNameTest, WholeRowsOfADirectoriesTableAndOfAFoundTable) {
    m_dir.MakeFile("C/Alpha/beta/file", "f");
    m_dir.MakeDir("C/gamma");
    CListView_Table* dirs = OpenTable(Directories, 0);
    const std::vector<Row> dirRows = Rows(dirs);
    ASSERT_EQ(dirRows.size(), 3u);

    CListView_Table* found = Find(dirs, "A");
    // Every directory name holds an a: the Found table repeats the table, a blank before each cell.
    EXPECT_EQ(Rows(found), HandedOver(dirRows));
    EXPECT_EQ(found->GetDocument()->GetTitle(), "C: Found 3 lines like \"a\"");

    // In a Found table every cell begins with a blank: a text with a leading blank finds names
    // that start with it, and the next table's cells begin with two blanks.
    CListView_Table* again = Find(found, " G");
    std::vector<Row> expected;
    for (const Row& row : dirRows)
        if (row[1] == "gamma") expected.push_back(row);
    EXPECT_EQ(Rows(again), HandedOver(HandedOver(expected)));
    EXPECT_EQ(again->GetDocument()->GetTitle(), "C: Found 1 lines like \" g\"");
}

TEST_F(FindByNameTest, TableWithoutRowsKeepsTheTextAsTyped) {
    CListView_Table* found = Find(FilesTable({}), "TXT");
    EXPECT_EQ(found->GetItemCount(), 0);
    EXPECT_EQ(found->GetDocument()->GetTitle(), "C: Found 0 lines like \"TXT\"");
    EXPECT_EQ(g_strFind, "TXT");
}

TEST_F(FindByNameTest, CancelEscapeAndTheCloseBoxChangeNothing) {
    CListView_Table* files = FilesTable({"a.txt"});
    g_strFind = "before";
    g_aResultLines.Add("left alone");
    const int windows = WindowCount();
    const std::function<void(QWidget*)> ways[] = {
        [](QWidget* dialog) {
            QTest::keyClicks(dialog->focusWidget(), "typed");
            QTest::mouseClick(dialog->findChild<QPushButton*>("IDCANCEL"), Qt::LeftButton);
        },
        [](QWidget* dialog) {
            QTest::keyClicks(dialog->focusWidget(), "typed");
            QTest::keyClick(dialog->focusWidget(), Qt::Key_Escape);
        },
        [](QWidget* dialog) { dialog->close(); },
    };
    for (const auto& way : ways) {
        WithDialog(way, [&] { files->FindByName(); });
        EXPECT_EQ(g_strFind, "before");
        EXPECT_EQ(WindowCount(), windows);
        EXPECT_EQ(ActiveTable(), files);
        EXPECT_EQ(g_aResultLines.GetSize(), 1u);
    }
    g_aResultLines.RemoveAll();
}

TEST_F(FindByNameTest, OkButtonSetsTheTextAndAFoundTableFollows) {
    CListView_Table* files = FilesTable({"Zeta", "other"});
    WithDialog(
        [](QWidget* dialog) {
            QTest::keyClicks(dialog->focusWidget(), "ZE");
            QTest::mouseClick(dialog->findChild<QPushButton*>("IDOK"), Qt::LeftButton);
        },
        [&] { files->FindByName(); });
    EXPECT_EQ(g_strFind, "ze");
    EXPECT_EQ(Names(ActiveTable()), std::vector<std::string>{" Zeta"});
}

TEST_F(FindByNameTest, RefusedInAllDrivesThroughTheMenu) {
    const int windows = WindowCount();
    static_cast<CMainFrame*>(theApp.m_pMainWnd)->OnCommand(ID_FIND_FILES);
    ASSERT_EQ(m_boxes.boxes.size(), 1u);
    EXPECT_EQ(m_boxes.boxes[0].text, "Find works inside other tables, not in the \"All Drives\"");
    EXPECT_EQ(m_boxes.boxes[0].type, unsigned(MB_ICONINFORMATION));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(WindowCount(), windows);
}

TEST_F(FindByNameTest, FoundTableCarriesTheLetterOfTheDriveSearched) {
    // Fault mended: the Found table took its letter from g_nDrive, the drive opened last, so a
    // search in C's Files table after D was opened was titled with D.
    CListView_Table* files = FilesTable({"a.txt"});
    OpenTable(Files, 1);
    EXPECT_EQ(Find(files, "a")->GetDocument()->GetTitle(), "C: Found 1 lines like \"a\"");
}

TEST(Dia_FindTest, LayoutTabOrderAndText) {
    CDia_Find dialog;
    EXPECT_EQ(dialog.windowTitle(), "What to find");
    // Dialog units: the mean width of the letters, as the platform reckons a dialog font's average
    // character, over 4; its height over 8.
    const QFontMetrics metrics(dialog.font());
    const int cx = (metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 26 + 1) / 2;
    const int cy = metrics.height();
    const auto rect = [&](int x, int y, int w, int h) { return QRect(x * cx / 4, y * cy / 8, w * cx / 4, h * cy / 8); };
    EXPECT_EQ(dialog.size(), rect(0, 0, 215, 97).size());

    auto* edit = dialog.findChild<QLineEdit*>("IDC_FIND_TEXT");
    auto* ok = dialog.findChild<QPushButton*>("IDOK");
    auto* cancel = dialog.findChild<QPushButton*>("IDCANCEL");
    auto* label = dialog.findChild<QLabel*>();
    auto* group = dialog.findChild<QGroupBox*>();
    ASSERT_TRUE(edit && ok && cancel && label && group);
    EXPECT_EQ(edit->geometry(), rect(39, 39, 137, 14));
    EXPECT_EQ(ok->geometry(), rect(100, 76, 50, 14));
    EXPECT_EQ(cancel->geometry(), rect(158, 76, 50, 14));
    EXPECT_EQ(label->geometry(), rect(20, 17, 175, 12));
    EXPECT_EQ(group->geometry(), rect(7, 7, 201, 61));
    EXPECT_EQ(ok->text(), "OK");
    EXPECT_EQ(cancel->text(), "Cancel");
    EXPECT_EQ(label->text(), "Enter a part of a file name or a file extention:");
    EXPECT_LE(QFontMetrics(label->font()).horizontalAdvance(label->text()), label->width()) << "the text is not cut";
    EXPECT_TRUE(label->alignment() & Qt::AlignHCenter);
    EXPECT_TRUE(ok->isDefault());
    EXPECT_EQ(edit->text(), "");

    // Tab order from the edit field: OK, Cancel, and round again.
    EXPECT_EQ(edit->nextInFocusChain(), ok);
    EXPECT_EQ(ok->nextInFocusChain(), cancel);
    // The frame stands behind the text and the field.
    EXPECT_EQ(dialog.children().indexOf(group) < dialog.children().indexOf(edit), true);

    // The field has the focus when the dialog is up, takes any length, and its text is UTF-8.
    const std::string longText(40000, 'k');
    bool focused = false;
    std::string kept;
    QTimer::singleShot(0, [&] {
        focused = dialog.focusWidget() == edit;
        edit->setText(QString::fromStdString(longText) + QString::fromUtf8("\xC3\x84"));
        QTest::keyClick(edit, Qt::Key_Return);
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_TRUE(focused);
    EXPECT_EQ(dialog.m_strText, longText + "\xC3\x84");
    EXPECT_EQ(g_strFind, dialog.m_strText);
}
