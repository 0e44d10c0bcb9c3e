#include "commands/ResultLines.h"
#include "system/DriveMap.h"
#include "system/EntryAt.h"
#include "framework/ListCtrl.h"
#include "framework/MessageBox.h"
#include "store/TimeText.h"
#include "system/Trash.h"
#include "scan/DriveScanner.h"
#include "table/TableKind.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace {

// The failure message names at most this many entries; a read-only drive can refuse thousands,
// and a box of thousands of lines has its button below the screen.
constexpr std::size_t kMaxListed = 25;

// The drive folder that holds path (the longest one it lies below) into root, and the rest of
// the path into below. False when no drive holds it.
bool FindDrive(const std::vector<std::string>& folders, std::string_view path, std::string& root,
               std::string_view& below) {
    std::size_t best = std::string_view::npos;
    for (const std::string& folder : folders) {
        std::string_view f = folder;
        while (!f.empty() && f.back() == '/') f.remove_suffix(1);
        const bool bHolds = path.substr(0, f.size()) == f && (path.size() == f.size() || path[f.size()] == '/');
        if (bHolds && (best == std::string_view::npos || f.size() > best)) {
            best = f.size();
            root = folder;
        }
    }
    if (best == std::string_view::npos) return false;
    below = path.substr(best);
    return true;
}

// A directory row: a Directories row, or a result row with neither a Length nor a Modified cell
// (a Found table made from a Directories table); every other row is a file row.
bool IsDirRow(const std::string_view (&cells)[7], TableKind nKind) {
    return nKind == Directories || (nKind != Files && cells[3].empty() && cells[5].empty());
}

// Empty text when the entry on disk is what the row says: a file row a non-directory with the
// row's length and modification time, a directory row a directory; the creation time where both
// the row and the disk tell it.
std::string CompareWithRow(const EntryStatus& status, const std::string_view (&cells)[7], TableKind nKind) {
    const bool bDirRow = IsDirRow(cells, nKind);
    if (bDirRow && !status.bDir) return "it is no longer a directory";
    if (!bDirRow && status.bDir) return "it is now a directory";
    char length[32];
    std::snprintf(length, sizeof length, "%.0f", static_cast<double>(status.nLength));  // as the scan writes it
    const bool bSame = (bDirRow || cells[3].empty() || cells[3] == length) &&
                       (bDirRow || cells[5].empty() || TimeText(status.nModified) == cells[5]) &&
                       (cells[4].empty() || !status.bHasBirth || TimeText(status.nBirth) == cells[4]);
    return bSame ? std::string() : "its length or times changed since the table was made";
}

// True when the path or a folder above it is among the entries that went to the trash in this
// run: it went with them.
bool WentAlready(const std::unordered_set<std::string>& moved, const std::string& path) {
    if (moved.empty()) return false;
    for (std::size_t end = path.size(); end != std::string::npos && end > 0; end = path.rfind('/', end - 1)) {
        if (moved.count(path.substr(0, end))) return true;
    }
    return false;
}

}  // namespace

void CDriveScanner::DeleteSelected(CListCtrl* pList, TableKind nKind, bool bAsk) {
    const int nFirst = pList->GetNextItem(-1, LVNI_SELECTED);
    if (nFirst < 0) {
        MessageBoxA(nullptr,
                    nKind == Directories ? "Please select one or more directories for delete."
                                         : "Please select one or more files for delete.",
                    "", MB_OK);
        return;
    }

    if (bAsk) {
        // The rows of a Found table made from a Directories table are directories, each with all it
        // holds: a question that called them files had a Yes for a file move a whole tree.
        CCellText held[7];
        std::string_view cells[7];
        const bool bDirs = GetEntryCells(pList->GetRows(), nFirst, nKind, held, cells) && IsDirRow(cells, nKind);
        const unsigned nCount = pList->GetSelectedCount();
        std::string question;
        if (nCount == 1) {
            question = bDirs ? "Delete a directory\n\n" : "Delete a file\n\n";
            question += pList->GetItemText(nFirst, 0);
            question += "\n\nfrom disk?";
        } else {
            char text[64];
            std::snprintf(text, sizeof text,
                          bDirs ? "Delete those %d directories from disk?" : "Delete those %d files from disk?",
                          static_cast<int>(nCount));
            question = text;
        }
        if (AfxMessageBox(question, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    }

    // Every entry goes to the desktop's trash, never away for good. An entry that cannot go stays
    // with its row and is named in one message at the end; the rows of the others are removed.
    const std::vector<std::string> drives = AllDriveFolders();
    const std::vector<int> rows = pList->GetSelectedItems();
    std::vector<int> gone;
    gone.reserve(rows.size());
    std::unordered_set<std::string> moved;
    std::vector<std::string> failures;
    std::size_t nFailures = 0;
    CEntryAt entry;
    CTrash trash;
    for (const int nRow : rows) {
        CCellText held[7];
        std::string_view cells[7];
        std::string root;
        std::string_view below;
        std::string reason;
        std::string path;
        if (!GetEntryCells(pList->GetRows(), nRow, nKind, held, cells)) {
            reason = "its Path cell holds no path";
        } else if (!FindDrive(drives, cells[0], root, below)) {
            reason = "it lies on no drive";
        } else {
            path = cells[0];
            if (WentAlready(moved, path)) {
                gone.push_back(nRow);
                continue;
            }
            reason = entry.Open(root, below);
            if (reason.empty()) reason = CompareWithRow(entry.Status(), cells, nKind);
            if (reason.empty()) reason = trash.Move(entry);
            entry.Close();
        }
        if (reason.empty()) {
            gone.push_back(nRow);
            moved.insert(std::move(path));
        } else if (++nFailures <= kMaxListed) {
            failures.push_back(std::string(pList->GetItemText(nRow, 0)) + "\n    " + reason);
        }
    }

    // In one pass: row by row, a million selected rows would each move every row below them.
    if (!gone.empty()) pList->DeleteItems(gone);

    if (nFailures > 0) {
        std::string message = nFailures == 1 ? "This entry was not moved to the trash:\n"
                                             : "These entries were not moved to the trash:\n";
        for (const std::string& failure : failures) message += "\n" + failure;
        if (nFailures > kMaxListed) {
            message += "\n\n... and " + std::to_string(nFailures - kMaxListed) + " more.";
        }
        AfxMessageBox(message, MB_ICONINFORMATION);
    }
}
