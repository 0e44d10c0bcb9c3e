#include "app/ZorbinApp.h"
#include "system/ReplaceFile.h"
#include "commands/TableText.h"
#include "store/TwoThreads.h"
#include "framework/MDIFrameWnd.h"
#include "framework/MessageBox.h"
#include "framework/ModalWork.h"
#include "table/ListView_Table.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

namespace {

// Rows made into text at once by one thread (some 6 MB for Files rows): a million rows never
// sit in memory as text.
constexpr int kBlockRows = 32768;

}  // namespace

// A Directories table's Ext and Length have no width: they are not shown, and not written.
void CListView_Table::AppendColumnNames(const CTableText& format, std::string& out) const {
    bool bFirst = true;
    for (std::size_t c = 0; c < m_aColNames.size(); ++c) {
        if (m_nColWidth[c] <= 0) continue;
        format.AppendCell(m_aColNames[c], bFirst, out);
        bFirst = false;
    }
    format.AppendLineEnd(out);
}

void CListView_Table::AppendRowText(const CTableText& format, int nRow, std::string& out) const {
    bool bFirst = true;
    for (std::size_t c = 0; c < m_aColNames.size(); ++c) {
        if (m_nColWidth[c] <= 0) continue;
        const CCellText cell = GetItemText(nRow, static_cast<int>(c));
        format.AppendCell(cell, bFirst, out);
        bFirst = false;
    }
    format.AppendLineEnd(out);
}

void CListView_Table::CopySelection() {
    const std::vector<int> rows = GetSelectedItems();
    if (rows.empty()) return;
    const CTableText format(CTableText::Tsv);
    std::string text;
    AppendColumnNames(format, text);
    for (const int r : rows) AppendRowText(format, r, text);
    // The bytes as they are: a name that is not UTF-8 reaches the pasting program unchanged.
    auto* mime = new QMimeData;
    mime->setData("text/plain", QByteArray(text.data(), static_cast<qsizetype>(text.size())));
    QApplication::clipboard()->setMimeData(mime);
    if (CMDIFrameWnd* frame = AfxGetMainWnd())
        frame->SetMessageText(" " + std::to_string(rows.size()) + " rows copied");
}

void CListView_Table::Export() {
    const std::string path = theApp.m_promptExportName ? theApp.m_promptExportName() : std::string();
    if (path.empty()) return;
    const CTableText format(CTableText::FormatOf(path));
    CReplaceFile file(path);
    bool bDone = false;
    std::atomic<int> nRowsDone{0};
    const int n = GetItemCount();
    m_scanner.ShowProgress(" export " + path + " ...", nullptr);
    // A slow or full disk must not hold the window: the rows go out on a worker thread.
    CModalWork::Run(
        [&] {
            if (!file.Open()) return;
            std::string text;
            AppendColumnNames(format, text);
            if (!file.Write(text)) return;
            // Blocks of rows made into text on both cores, two halves at a time, written in order.
            std::string later;
            const auto append = [&](int from, int to, std::string& out) {
                out.clear();
                for (int r = from; r < to; ++r) AppendRowText(format, r, out);
            };
            for (int from = 0; from < n; from += 2 * kBlockRows) {
                const int middle = std::min(n, from + kBlockRows);
                const int to = std::min(n, from + 2 * kBlockRows);
                RunInTwoParts(true,
                              [&](int part) { part == 0 ? append(from, middle, text) : append(middle, to, later); });
                if (!file.Write(text) || !file.Write(later)) return;
                nRowsDone.store(to, std::memory_order_relaxed);
            }
            bDone = file.Commit();
        },
        [&] {
            if (n > 0) m_scanner.m_wndProgress.SetPos(static_cast<int>(nRowsDone.load() * 100LL / n));
        });
    m_scanner.m_wndProgress.DestroyWindow();
    if (!bDone) {
        AfxMessageBox("The table was not exported. " + file.Error(), MB_ICONINFORMATION);
        WriteStatusLine();
        return;
    }
    if (CMDIFrameWnd* frame = AfxGetMainWnd())
        frame->SetMessageText(" " + std::to_string(n) + " rows exported to " + path);
}
