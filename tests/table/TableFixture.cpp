#include "table/TableFixture.h"

#include "app/ZorbinApp.h"
#include "commands/ResultLines.h"
#include "platform/DocTemplate.h"
#include "platform/Document.h"
#include "platform/MDIChildWnd.h"
#include "platform/MDIFrameWnd.h"
#include "platform/StatusBar.h"
#include "platform/WinThread.h"
#include "scan/CountThread.h"
#include "scan/DriveGlobals.h"
#include "table/ListView_Table.h"
#include "table/SortGlobals.h"
#include "table/TableKind.h"

#include <QApplication>
#include <QHeaderView>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>

#include <chrono>
#include <thread>

TableFixture::TableFixture() : m_config("XDG_CONFIG_HOME", m_dir.Path() + "/config") {}

TableFixture::~TableFixture() {
    // A count still running reads the test's folders: let it end before they go.
    WaitForCount();
    theApp.ExitInstance();
}

void TableFixture::Start(const std::string& drives) {
    m_drives = std::make_unique<ScopedEnv>("ZORBIN_DRIVES", drives);
    // As a new process has them, also when the tests share one process.
    g_nNextTable = 0;
    g_nDrive = 0;
    g_bSortDescending = true;
    g_aResultLines.RemoveAll();
    g_strFind.clear();
    ASSERT_TRUE(theApp.InitInstance());
}

CListView_Table* TableFixture::TableOf(CDocument* document) {
    for (QMdiSubWindow* window : AfxGetMainWnd()->GetMdiArea()->subWindowList(QMdiArea::CreationOrder))
        if (auto* child = qobject_cast<CMDIChildWnd*>(window); child && child->GetDocument() == document)
            return dynamic_cast<CListView_Table*>(child->GetView());
    return nullptr;
}

CListView_Table* TableFixture::FirstTable() {
    const auto windows = AfxGetMainWnd()->GetMdiArea()->subWindowList(QMdiArea::CreationOrder);
    auto* child = windows.isEmpty() ? nullptr : qobject_cast<CMDIChildWnd*>(windows.front());
    return child ? dynamic_cast<CListView_Table*>(child->GetView()) : nullptr;
}

CListView_Table* TableFixture::Open(int nKind, int nDrive) {
    g_nNextTable = nKind;
    g_nDrive = nDrive;
    return TableOf(theApp.m_pTableTemplate->OpenDocumentFile(nullptr, true));
}

CListView_Table* TableFixture::OpenFromLines(int nKind, const std::vector<std::string>& lines) {
    g_aResultLines.RemoveAll();
    for (const std::string& line : lines) g_aResultLines.Add(line);
    return Open(nKind, g_nDrive);
}

std::string TableFixture::Pane0() { return AfxGetMainWnd()->GetStatusBar()->GetPaneText(0); }

std::vector<std::string> TableFixture::Column(const CListView_Table* table, int nCol) {
    std::vector<std::string> cells;
    for (int r = 0; r < table->GetItemCount(); ++r) cells.emplace_back(table->GetItemText(r, nCol));
    return cells;
}

std::vector<std::string> TableFixture::Titles() {
    std::vector<std::string> titles;
    for (QMdiSubWindow* window : AfxGetMainWnd()->GetMdiArea()->subWindowList(QMdiArea::CreationOrder))
        if (auto* child = qobject_cast<CMDIChildWnd*>(window)) titles.push_back(child->GetDocument()->GetTitle());
    return titles;
}

void TableFixture::ClickHeader(CListView_Table* table, int nCol) {
    // The user's click brings the table's window to the front first.
    for (QWidget* w = table; w; w = w->parentWidget())
        if (auto* window = qobject_cast<QMdiSubWindow*>(w)) AfxGetMainWnd()->GetMdiArea()->setActiveSubWindow(window);
    QApplication::processEvents();  // the header lays its sections out in its own time
    QHeaderView* header = table->horizontalHeader();
    const QPoint at(header->sectionViewportPosition(nCol) + header->sectionSize(nCol) / 2, header->height() / 2);
    // Columns of width 0, or scrolled out of sight, cannot be hit: the header reports the click as
    // it would for a hit.
    if (header->sectionSize(nCol) < 4 || header->logicalIndexAt(at) != nCol || !header->viewport()->rect().contains(at)) {
        emit header->sectionClicked(nCol);
        return;
    }
    // Straight to the header: the windows may overlap at that point of the screen.
    const QPointF local(at), global(header->viewport()->mapToGlobal(at));
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(header->viewport(), &press);
    QApplication::sendEvent(header->viewport(), &release);
}

void TableFixture::SortBy(CListView_Table* table, int nCol, bool bDescending) {
    // The direction is the program's, reversed by every click: one click, or two.
    ClickHeader(table, nCol);
    if (g_bSortDescending != bDescending) ClickHeader(table, nCol);
    ASSERT_EQ(g_bSortDescending, bDescending);
}

void TableFixture::ExpectItemDataIsRowNumber(const CListView_Table* table) {
    int wrong = 0;
    for (int r = 0; r < table->GetItemCount(); ++r)
        if (table->GetItemData(r) != r) ++wrong;
    EXPECT_EQ(wrong, 0) << "rows whose item data is not their number";
}
