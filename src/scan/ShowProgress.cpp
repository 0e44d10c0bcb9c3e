#include "framework/MDIFrameWnd.h"
#include "framework/ProgressCtrl.h"
#include "framework/StatusBar.h"
#include "scan/DriveScanner.h"

#include <QRect>
#include <algorithm>
#include <string>

namespace {

// Characters, not bytes: a UTF-8 file name in the text must not push the bar further right
// than the text reaches.
size_t CharacterCount(const std::string& text) {
    size_t count = 0;
    for (unsigned char byte : text)
        if ((byte & 0xC0) != 0x80) ++count;
    return count;
}

void RecreateBar(CProgressCtrl& control, const CRect& rect, QWidget* parent) {
    // A bar left standing by an earlier call goes, so there is only ever one.
    if (control.HasWindow()) control.DestroyWindow();
    control.Create(rect, parent);
    control.SetRange(0, 100);
    control.SetPos(0);
    control.SetStep(1);
}

}  // namespace

void CDriveScanner::ShowProgress(const std::string& strText, CProgressCtrl* pProgress) {
    CMDIFrameWnd* mainWnd = AfxGetMainWnd();
    CStatusBar* statusBar = mainWnd != nullptr ? mainWnd->GetStatusBar() : nullptr;
    // Without a main window (the headless bench) there is nothing to show the text or bar in.
    if (statusBar == nullptr) return;

    statusBar->SetPaneText(0, strText, true);
    const QRect pane = statusBar->GetItemRect(0);

    // 5.5 pixels a character: the bar starts about where the text ends (7 characters give 38).
    const int left = strText.empty() ? 2 : static_cast<int>(static_cast<double>(CharacterCount(strText)) * 5.5);
    // The pane's right edge as the platform counts it: one past its last pixel.
    const CRect rect{left, 2, pane.x() + pane.width() - 5, 16};

    if (pProgress == nullptr) {
        RecreateBar(m_wndProgress, rect, statusBar);
        return;
    }
    try {
        RecreateBar(*pProgress, rect, statusBar);
    } catch (...) {
        // A control handed in by someone else may fail as it likes: the text is shown regardless.
    }
}

void CDriveScanner::ShowEntriesRead(std::int64_t nExpected) {
    if (!m_wndProgress.HasWindow()) return;
    const std::int64_t nRead = m_nEntriesRead.load(std::memory_order_relaxed);
    m_wndProgress.SetText(std::to_string(nRead));
    // The count may be older than the drive: the bar stops short of its end until the rows go in.
    if (nExpected > 0) m_wndProgress.SetPos(static_cast<int>(std::min<std::int64_t>(nRead * 100 / nExpected, 99)));
}
