#include "commands/TableWindowsFixture.h"

#include "app/ZorbinApp.h"
#include "platform/DocTemplate.h"
#include "platform/MDIFrameWnd.h"
#include "table/ListView_Table.h"
#include "table/SortGlobals.h"
#include "table/TableKind.h"

#include <QApplication>
#include <QMdiArea>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <fstream>
#include <sstream>
#include <sys/stat.h>

TableWindowsFixture::TableWindowsFixture()
    : m_driveC(m_dir.MakeDir("C")), m_driveD(m_dir.MakeDir("D")), m_dataHome(m_dir.Path() + "/data"),
      m_drives("ZORBIN_DRIVES", "C=" + m_driveC + ",D=" + m_driveD),
      m_data("XDG_DATA_HOME", m_dataHome),
      m_config("XDG_CONFIG_HOME", m_dir.Path() + "/config") {}

void TableWindowsFixture::SetUp() {
    // As at the start of a process, also when several tests share one.
    g_nNextTable = AllDrives;
    g_nDrive = 0;
    g_bSortDescending = true;
    ASSERT_TRUE(theApp.InitInstance());
}

void TableWindowsFixture::TearDown() { theApp.ExitInstance(); }

CListView_Table* TableWindowsFixture::ActiveTable() const {
    CMDIFrameWnd* frame = AfxGetMainWnd();
    return frame ? dynamic_cast<CListView_Table*>(frame->GetActiveView()) : nullptr;
}

int TableWindowsFixture::WindowCount() const {
    CMDIFrameWnd* frame = AfxGetMainWnd();
    return frame ? static_cast<int>(frame->GetMdiArea()->subWindowList().size()) : 0;
}

CListView_Table* TableWindowsFixture::OpenTable(int nKind, int nDrive) {
    g_nDrive = nDrive;
    g_nNextTable = nKind;
    theApp.m_pTableTemplate->OpenDocumentFile(nullptr, true);
    return ActiveTable();
}

void TableWindowsFixture::SetRows(CListView_Table* table, const std::vector<Row>& rows) {
    table->DeleteAllItems();
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
        table->InsertItem(i, rows[i][0], i);
        for (int c = 1; c < 7; ++c) table->SetItemText(i, c, rows[i][c]);
    }
}

std::vector<Row> TableWindowsFixture::Rows(const CListView_Table* table) {
    std::vector<Row> rows;
    for (int i = 0; i < table->GetItemCount(); ++i) {
        Row row;
        for (int c = 0; c < 7; ++c) row.emplace_back(table->GetItemText(i, c));
        rows.push_back(row);
    }
    return rows;
}

std::vector<Row> TableWindowsFixture::HandedOver(const std::vector<Row>& rows) {
    std::vector<Row> out = rows;
    for (Row& row : out)
        for (std::string& cell : row) cell.insert(0, 1, ' ');
    return out;
}

void TableWindowsFixture::WithDialog(const std::function<void(QWidget*)>& act, const std::function<void()>& command) {
    bool acted = false;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (QWidget* dialog = QApplication::activeModalWidget(); dialog && !acted) {
            acted = true;
            poll.stop();
            QPointer<QWidget> guard(dialog);
            act(dialog);
            // A dialog that act left open would block the test for good.
            if (guard && guard->isVisible()) {
                ADD_FAILURE() << "the dialog stayed open";
                QMetaObject::invokeMethod(guard.data(), "reject", Qt::QueuedConnection);
            }
        }
    });
    poll.start();
    command();
    poll.stop();
    EXPECT_TRUE(acted) << "no dialog came up";
}

void TableWindowsFixture::TypeAndEnter(QWidget* dialog, const std::string& text) {
    QWidget* field = dialog->focusWidget();
    ASSERT_NE(field, nullptr);
    // keyClicks knows ASCII only: other characters go as key events that carry their text.
    for (const QChar c : QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))) {
        if (c.unicode() < 0x80)
            QTest::keyClick(field, c.toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
    QTest::keyClick(field, Qt::Key_Return);
}

void TableWindowsFixture::UseRecordingOpener() {
    const std::string script = m_dir.MakeFile("opener.sh", "#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"$(dirname \"$0\")/opened\"\n");
    chmod(script.c_str(), 0755);
    m_opener = std::make_unique<ScopedEnv>("ZORBIN_OPENER", script);
}

std::string TableWindowsFixture::Opened() const {
    std::ifstream in(m_dir.Path() + "/opened", std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}
