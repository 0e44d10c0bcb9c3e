#include "commands/ResultLines.h"
#include "system/DiskFree.h"
#include "system/EntryStatus.h"
#include "framework/HiddenWhile.h"
#include "framework/MDIFrameWnd.h"
#include "framework/MessageBox.h"
#include "framework/ModalWork.h"
#include "framework/WaitCursor.h"
#include "scan/DriveGlobals.h"
#include "table/ListView_Table.h"
#include "table/TableKind.h"

#include <cstdint>
#include <cstdio>
#include <utility>
#include <vector>

namespace {
constexpr int kTableColumns = 7;  // Path, Name, Ext, Length, Created, Modified, Accessed
}

void CListView_Table::FillTable() {
    {
        // Input made while the table fills is aimed at a table that is not there yet.
        const CModalWork::CNoInput noInput;
        m_strWork = " open " + m_strTitle + " ...";
        m_scanner.ShowProgress(m_strWork, nullptr);
        {
            const CWaitCursor wait;
            const CHiddenWhile hidden(*this, false);
            DeleteAllItems();
            for (std::size_t i = 0; i < m_aColNames.size(); ++i)
                InsertColumn(static_cast<int>(i), m_aColNames[i], m_nColFormat[i], m_nColWidth[i], static_cast<int>(i));
            // No fill waits for a running count: the walks never change the current directory and
            // share no state, so a scan runs beside the count (a cold count of / takes some 18 s).
            switch (m_nKind) {
            case AllDrives: FillAllDrives(); break;
            case Files:
            case Directories: FillFromScan(); break;
            case Doubles:
            case Found: FillFromResultLines(); break;
            default: break;
            }
            for (CTextColumn& column : m_aColumns) column.RemoveAll();
        }
        m_scanner.m_wndProgress.DestroyWindow();
        if (m_nKind == Doubles && !m_strGain.empty())
            WriteStatusLine();  // the runs and the space to gain show as the table opens
        else if (hasFocus())
            if (CMDIFrameWnd* frame = AfxGetMainWnd()) frame->SetMessageText("");
    }
    // A drive whose folder cannot be read would look empty: the table says why, once it is there.
    if ((m_nKind == Files || m_nKind == Directories) && m_scanner.m_nFolderError != 0) {
        AfxMessageBox("The drive " + std::string(1, GetDriveLetter()) + ": cannot be read:\n\n" + m_strRootFolder +
                          "\n\n" + ErrnoText(m_scanner.m_nFolderError),
                      MB_ICONINFORMATION);
    }
}

void CListView_Table::FillAllDrives() {
    m_scanner.StartCountThread(&m_scanColumns);
    WatchCount();
    std::vector<CTextColumn> cells(6);
    char text[64];
    for (int r = 0; r < kMaxDrives && g_szDrives[r] != '\0'; ++r) {
        const char letter = g_szDrives[r];
        std::snprintf(text, sizeof text, "   %c", letter);
        cells[0].Add(text);
        cells[1].Add({});
        cells[2].Add({});
        DiskFreeInfo space;
        if (GetDiskFree(static_cast<unsigned>(letter - 'A' + 1), &space) != 0) {
            for (int c = 3; c < 6; ++c) cells[c].Add({});  // a drive that cannot be asked shows its letter only
            continue;
        }
        const double total = static_cast<double>(space.bytes_per_sector) *
                             static_cast<double>(space.sectors_per_cluster) * static_cast<double>(space.total_clusters);
        const double avail = static_cast<double>(space.avail_clusters) * static_cast<double>(space.bytes_per_sector) *
                             static_cast<double>(space.sectors_per_cluster);
        std::snprintf(text, sizeof text, "%.0f", total);
        cells[3].Add(text);
        std::snprintf(text, sizeof text, "%.0f", avail);
        cells[4].Add(text);
        cells[5].Add(FormatFree(avail, total));
    }
    TakeRows(std::move(cells));  // no progress positions: the bar of an All Drives table stays at 0
}

std::string CListView_Table::FormatFree(double avail, double total) {
    // A file system that reports no bytes at all (proc-like ones do) has no free share to show.
    if (!(total > 0)) return {};
    char text[64];
    std::snprintf(text, sizeof text, "%2.0f %%", avail * 100 / total);
    return text;
}

CListView_Table::FilesAhead CListView_Table::s_filesAhead;

void CListView_Table::FillFromScan() {
    const char letter = GetDriveLetter();
    FilesAhead& ahead = s_filesAhead;
    if (m_nKind == Files && letter != '\0' && ahead.letter == letter) {
        for (int c = 0; c < kTableColumns; ++c) m_aColumns[2 + c] = std::move(ahead.columns[c]);
        m_nUnlisted = ahead.nUnlisted;
        ahead = {};
    } else if (letter != '\0') {
        m_strWork = std::string(1, letter) + ":/";
        // The last count of the drive, once no count runs any more, tells how far the walk has come.
        std::int64_t nExpected = 0;
        if (g_pCountThread.load(std::memory_order_acquire) == nullptr)
            nExpected = static_cast<std::int64_t>(g_dFileCount[m_nDrive] + g_dDirCount[m_nDrive]);
        // A million entries take seconds: the walk runs on a worker while this thread paints and
        // answers the desktop, taking no user input. Until it ends, only the walk touches the
        // column arrays, so they need no lock.
        CModalWork::Run([this, root = m_strWork] { m_scanner.ScanFolder(root, &m_scanColumns); },
                        [this, nExpected] { m_scanner.ShowEntriesRead(nExpected); });
        m_scanner.m_wndProgress.SetText({});
        m_nUnlisted = m_scanner.m_nUnlisted;
    }
    if (m_nKind == Directories && ahead.bWanted) {
        ahead.columns.resize(kTableColumns);
        for (int c = 0; c < kTableColumns; ++c) ahead.columns[c] = std::move(m_aColumns[2 + c]);
        ahead.letter = letter;
        ahead.nUnlisted = m_nUnlisted;
        ahead.bWanted = false;
    }
    // The scanned arrays become the list's columns whole: the texts are held once, never copied.
    std::vector<CTextColumn> cells(kTableColumns);
    if (m_nKind == Files) {
        for (int c = 0; c < kTableColumns; ++c) cells[c] = std::move(m_aColumns[2 + c]);
    } else {
        cells[0] = std::move(m_aColumns[0]);
        cells[1] = std::move(m_aColumns[1]);
        cells[4] = std::move(m_aColumns[9]);
    }
    const int n = static_cast<int>(cells[0].GetSize());
    TakeRows(std::move(cells));
    StepProgress(n);
}

void CListView_Table::FillFromResultLines() {
    const int n = static_cast<int>(g_aResultLines.GetSize());
    const int nColumns = static_cast<int>(m_aColNames.size());  // seven, and a same-content table's Group
    std::vector<CTextColumn> cells(static_cast<std::size_t>(nColumns));
    std::vector<std::string> pieces;  // reused from line to line
    for (int i = 0; i < n; ++i) {
        const CCellText line = g_aResultLines[i];
        SplitResultLine(line, pieces);
        // Pieces beyond the last column have none; missing ones leave their cells empty.
        for (int c = 0; c < nColumns; ++c)
            cells[c].Add(c < static_cast<int>(pieces.size()) ? std::string_view(pieces[c]) : std::string_view());
    }
    TakeRows(std::move(cells));
    StepProgress(n);
    g_aResultLines.RemoveAll();
    if (m_nKind == Doubles) CountSpaceToGain();
}

void CListView_Table::StepProgress(int n) {
    // Row i would set i * 100 / n; a million rows give only a hundred distinct positions, so the
    // bar is set once per position, at the first row that reaches it.
    int last = -1;
    for (int p = 0; p < 100 && n > 0; ++p) {
        const long long i = (static_cast<long long>(p) * n + 99) / 100;  // first row with i * 100 / n >= p
        if (i >= n) break;
        const int pos = static_cast<int>(i * 100 / n);
        if (pos != last) m_scanner.m_wndProgress.SetPos(pos);
        last = pos;
    }
}
