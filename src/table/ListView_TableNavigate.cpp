#include "app/ZorbinApp.h"
#include "commands/ResultLines.h"
#include "framework/DocTemplate.h"
#include "framework/MDIFrameWnd.h"
#include "system/Opener.h"
#include "framework/StatusBar.h"
#include "scan/DriveGlobals.h"
#include "table/ListView_Table.h"
#include "table/TableKind.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>

void CListView_Table::OnItemChanged(int nItem) {
    // Fills, sorts and deletes renumber and rewrite rows with the view hidden: none of that is a
    // move of the user's.
    if (!isVisible() || m_bWritingCounts) return;
    m_nRow = nItem;
    WriteStatusLine();
    if (m_nKind == AllDrives && g_pCountThread.load(std::memory_order_acquire) == nullptr) WriteDriveCounts();
}

void CListView_Table::OnSetFocus() {
    if (m_bIdle) WriteStatusLine();
}

void CListView_Table::OnDblClk(int nItem) {
    if (nItem >= 0) OpenCurrentRow(m_nRow);  // the current row, not the one under the pointer
}

void CListView_Table::OpenCurrentRow(int nRow) {
    // m_nRow can name no row: an empty table, or a row that a delete took away.
    if (nRow < 0 || nRow >= GetItemCount()) return;
    switch (m_nKind) {
    case AllDrives: {
        // The drive comes from the row's own Drive cell, so a sorted table opens the drive it shows.
        const char letter = GetRowDriveLetter(nRow);
        const void* found = letter ? std::memchr(g_szDrives, letter, strnlen(g_szDrives, kMaxDrives)) : nullptr;
        if (!found) return;
        g_nDrive = static_cast<int>(static_cast<const char*>(found) - g_szDrives);
        g_nNextTable = Directories;
        s_filesAhead = {};
        s_filesAhead.bWanted = true;
        theApp.m_pTableTemplate->OpenDocumentFile(nullptr, true);
        g_nNextTable = Files;  // opened last, so the Files table ends up active
        theApp.m_pTableTemplate->OpenDocumentFile(nullptr, true);
        s_filesAhead = {};  // columns the Files table did not take are not kept
        break;
    }
    case Files:
    case Directories:
    case Doubles:
    case Found: {
        // A result-line table puts one blank per hand-over before the path; the path has none.
        CCellText held[7];
        std::string_view cells[7];
        if (!GetEntryCells(GetRows(), nRow, m_nKind, held, cells)) return;
        m_strWork = cells[0];
        OpenWithDesktop(m_strWork);
        break;
    }
    default: break;
    }
}

void CListView_Table::WriteStatusLine() {
    char text[64];
    // Where there is no row, no row is current: line 0 of 0.
    const int nRows = GetItemCount();
    std::snprintf(text, sizeof text, " Line: %6d / %6d", nRows > 0 ? m_nRow + 1 : 0, nRows);
    m_strWork = text;
    if (m_nUnlisted > 0) {
        m_strWork += "   (" + std::to_string(m_nUnlisted) + (m_nUnlisted == 1 ? " folder" : " folders") +
                     " of the drive could not be listed)";
    }
    if (!m_strGain.empty()) m_strWork += "  " + m_strGain;
    if (CMDIFrameWnd* frame = AfxGetMainWnd())
        if (CStatusBar* bar = frame->GetStatusBar()) bar->SetPaneText(0, m_strWork, true);
}

void CListView_Table::WriteDriveCounts() {
    // Drive i's row is row i until the table is sorted; the Drive cell finds it in any order.
    int rowOfLetter[256];
    std::fill(std::begin(rowOfLetter), std::end(rowOfLetter), -1);
    for (int r = 0; r < GetItemCount(); ++r)
        if (const char letter = GetRowDriveLetter(r)) rowOfLetter[static_cast<unsigned char>(letter)] = r;
    m_bWritingCounts = true;
    char text[64];
    for (int i = 0; i < kMaxDrives && g_szDrives[i] != '\0'; ++i) {
        const int r = rowOfLetter[static_cast<unsigned char>(g_szDrives[i])];
        if (r < 0) continue;
        std::snprintf(text, sizeof text, "%.0f", g_dFileCount[i]);
        SetItemText(r, 1, text);
        std::snprintf(text, sizeof text, "%.0f", g_dDirCount[i]);
        SetItemText(r, 2, text);
    }
    m_bWritingCounts = false;
}
