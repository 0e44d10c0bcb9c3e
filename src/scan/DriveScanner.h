#pragma once
#include "framework/ProgressCtrl.h"
#include "table/TableKind.h"

#include <atomic>
#include <cstdint>
#include <string>

struct ScanColumns;
class CListCtrl;

// The drive operations of a table and its progress bar.
class CDriveScanner {
public:
    // Rebuilds g_szDrives from the drive map; false (after telling the user) when there is no drive.
    bool GetDriveLetters();
    // Starts the counting worker over every drive of g_szDrives; one count at a time.
    void StartCountThread(ScanColumns* pColumns);
    // Appends every entry below the folder ("C:/" or a real folder) to the record's arrays,
    // depth-first pre-order, entries in listing order.
    void ScanFolder(const std::string& strFolder, ScanColumns* pColumns);
    // Lower-cased text after the last full stop of the entry's name; empty when there is none.
    std::string GetExtension(const std::string& strPath);
    // Puts the text into status pane 0 and a progress bar (0..100, at 0) beside it.
    void ShowProgress(const std::string& strText, CProgressCtrl* pProgress);
    // Shows on the bar how many entries the running ScanFolder has read; the bar advances towards
    // nExpected entries (the drive's last count), or stays put when that is 0 (no count known).
    void ShowEntriesRead(std::int64_t nExpected);
    // Deletes (into the trash) the entries of the selected rows after asking.
    void DeleteSelected(CListCtrl* pList, TableKind nKind, bool bAsk);

    CProgressCtrl m_wndProgress;
    // Entries ScanFolder has handed on so far; written by the walk, read by the interface thread.
    std::atomic<std::int64_t> m_nEntriesRead{0};
    // Of the last ScanFolder: the folders below its folder that could not be listed, and why its
    // folder itself could not be (an errno value; 0 when it was). Read once it has returned.
    std::size_t m_nUnlisted = 0;
    int m_nFolderError = 0;
};
