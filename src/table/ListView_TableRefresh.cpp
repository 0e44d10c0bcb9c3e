#include "app/ZorbinApp.h"
#include "framework/DocTemplate.h"
#include "system/DriveMap.h"
#include "framework/MDIChildWnd.h"
#include "framework/MDIFrameWnd.h"
#include "framework/MessageBox.h"
#include "scan/DriveGlobals.h"
#include "table/ListView_Table.h"
#include "table/SortGlobals.h"
#include "table/TableKind.h"

#include <QMdiArea>
#include <QTimer>

#include <cstring>

namespace {

CMDIChildWnd* FrameOf(QWidget* widget) {
    for (QWidget* w = widget; w != nullptr; w = w->parentWidget())
        if (auto* child = qobject_cast<CMDIChildWnd*>(w)) return child;
    return nullptr;
}

}  // namespace

bool CListView_Table::CanRefresh() const {
    switch (m_nKind) {
    case Files:
    case Directories: return true;
    case AllDrives:
        // A new All Drives table starts a count, and one count runs at a time: waiting here for
        // the running one would hold the window for as long as a walk of every drive takes.
        return g_pCountThread.load(std::memory_order_acquire) == nullptr;
    default: return false;  // Doubles and Found rows came from a search, not from a drive
    }
}

void CListView_Table::Refresh() {
    if (!CanRefresh() || theApp.m_pTableTemplate == nullptr) return;
    CMDIFrameWnd* mainWnd = AfxGetMainWnd();
    CMDIChildWnd* oldFrame = FrameOf(this);
    if (mainWnd == nullptr || oldFrame == nullptr) return;
    const QRect placement = oldFrame->geometry();
    const bool bMaximized = oldFrame->isMaximized();
    const bool bMinimized = oldFrame->isMinimized();  // its icon's place is no place for a table
    const int nSortColumn = m_nSortColumn;
    const bool bDescending = m_bSortedDescending;
    if (m_nKind != AllDrives) {
        // The letter, as the title shows it, must still stand for the folder that the rows come
        // from: a new All Drives table may have renumbered the drives, and an unmounted disk hands
        // its letter on to the next one (the kept map is only read again with the drive list).
        const char letter = m_strTitle.empty() ? '\0' : m_strTitle[0];
        const void* found = letter ? std::memchr(g_szDrives, letter, strnlen(g_szDrives, kMaxDrives)) : nullptr;
        if (found == nullptr || DriveRootFolder(letter) != m_strRootFolder ||
            ReadDriveFolderNow(letter) != m_strRootFolder) {
            m_strWork = std::string(1, letter) + ": is no longer the drive of this table (" + m_strRootFolder +
                        "). Open the drive again from \"All Drives\".";
            AfxMessageBox(m_strWork, MB_ICONINFORMATION);
            return;
        }
        g_nDrive = static_cast<int>(static_cast<const char*>(found) - g_szDrives);
    }
    g_nNextTable = m_nKind;
    if (theApp.m_pTableTemplate->OpenDocumentFile(nullptr, true) == nullptr) return;
    auto* newFrame = qobject_cast<CMDIChildWnd*>(mainWnd->GetMdiArea()->subWindowList(QMdiArea::CreationOrder).back());
    if (newFrame == nullptr || newFrame == oldFrame) return;
    if (bMaximized)
        newFrame->showMaximized();
    else if (!bMinimized)
        newFrame->setGeometry(placement);
    if (auto* table = dynamic_cast<CListView_Table*>(newFrame->GetView()); table != nullptr && nSortColumn >= 0) {
        // A sort turns the one direction of the program round first: set it so that it turns
        // into the direction this table had.
        g_bSortDescending = !bDescending;
        table->OnColumnClick(nSortColumn);
    }
    // This view goes with its frame once the events are processed; nothing of it is used after.
    oldFrame->close();
    mainWnd->GetMdiArea()->setActiveSubWindow(newFrame);
}

void CListView_Table::WatchCount() {
    if (m_pCountWatch == nullptr) {
        m_pCountWatch = new QTimer(this);
        // A tenth of a second: soon enough to look immediate, rare enough to cost nothing.
        m_pCountWatch->setInterval(100);
        connect(m_pCountWatch, &QTimer::timeout, this, [this] {
            if (g_pCountThread.load(std::memory_order_acquire) != nullptr) return;
            m_pCountWatch->stop();
            WriteDriveCounts();
            // Refresh of this table is possible again.
            if (CMDIFrameWnd* frame = AfxGetMainWnd()) frame->UpdateCommandUI();
        });
    }
    m_pCountWatch->start();
}
