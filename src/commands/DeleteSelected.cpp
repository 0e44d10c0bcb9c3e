#include "platform/DriveMap.h"
#include "platform/EntryStatus.h"
#include "platform/ListCtrl.h"
#include "platform/MessageBox.h"
#include "platform/TimeText.h"
#include "platform/Trash.h"
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

// The cells of a selected row, without the blanks that result lines put in front of them.
//
// A Doubles or Found row came through a result line, whose every cell got one leading blank (two
// when the line came from such a table in turn): the blanks before the path, which itself starts
// with "/", count them. A ";" in a path cut the line there, and what stands in the Path cell then
// names another entry. So such a row is taken only when its cells still stand where a whole row
// puts them (the name is the last part of the path, the length a number, the times time texts or
// empty) and the entry on disk still has the row's length and times: a ";" at the very end of a
// name is lost without moving any cell, and only the disk tells "a;" from "a".
struct RowCells {
    std::string_view cells[7];

    // Empty text when the row is whole; the reason otherwise.
    std::string Read(const CListCtrl& list, int nRow, bool bResultRow) {
        for (int c = 0; c < 7; ++c) cells[c] = list.GetItemText(nRow, c);
        if (!bResultRow) return {};
        const std::size_t blanks = cells[0].find_first_not_of(' ');
        if (blanks == 0 || blanks == std::string_view::npos) return kCut;
        for (std::string_view& cell : cells) {
            if (cell.size() < blanks || cell.find_first_not_of(' ') < blanks) return kCut;
            cell.remove_prefix(blanks);
        }
        const std::string_view path = cells[0];
        const std::size_t slash = path.find_last_of('/');
        if (slash == std::string_view::npos || cells[1].empty() || path.substr(slash + 1) != cells[1]) return kCut;
        if (cells[3].find_first_not_of("0123456789") != std::string_view::npos) return kCut;
        for (int c = 4; c < 7; ++c) {
            if (!cells[c].empty() && !ParseTimeText(cells[c])) return kCut;
        }
        return {};
    }

    // Empty text when the entry on disk has the length and times of the row.
    std::string CompareWithDisk(const std::string& path) const {
        EntryStatus status;
        std::string reason;
        if (!GetEntryStatus(path, status, reason)) return reason;
        const bool bSameLength = status.bDir || cells[3].empty() || std::to_string(status.nLength) == cells[3];
        const bool bSameModified = cells[5].empty() || TimeText(status.nModified) == cells[5];
        const bool bSameCreated = cells[4].empty() || !status.bHasBirth || TimeText(status.nBirth) == cells[4];
        if (bSameLength && bSameModified && bSameCreated) return {};
        return "the entry on disk is not the one of this row (its name holds a \";\", or it changed since)";
    }

    static constexpr const char* kCut = "its path was cut at a \";\" in this table";
};

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

void CDriveScanner::DeleteSelected(CListCtrl* pList, int nKind, bool bAsk) {
    const int nFirst = pList->GetNextItem(-1, LVNI_SELECTED);
    if (nFirst < 0) {
        MessageBoxA(nullptr,
                    nKind == Directories ? "Please select one or more directories for delete."
                                         : "Please select one or more files for delete.",
                    "", MB_OK);
        return;
    }

    if (bAsk) {
        const unsigned nCount = pList->GetSelectedCount();
        std::string question;
        if (nCount == 1) {
            question = nKind == Directories ? "Delete a directory\n\n" : "Delete a file\n\n";
            question += pList->GetItemText(nFirst, 0);
            question += "\n\nfrom disk?";
        } else {
            char text[64];
            std::snprintf(text, sizeof text,
                          nKind == Directories ? "Delete those %d directories from disk?"
                                               : "Delete those %d files from disk?",
                          static_cast<int>(nCount));
            question = text;
        }
        if (AfxMessageBox(question, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    }

    // Every entry goes to the desktop's trash, never away for good. An entry that cannot go stays
    // with its row and is named in one message at the end; the rows of the others are removed.
    const bool bResultRows = nKind == Doubles || nKind == Found;
    const std::vector<int> rows = pList->GetSelectedItems();
    std::vector<int> gone;
    gone.reserve(rows.size());
    std::unordered_set<std::string> moved;
    std::vector<std::string> failures;
    std::size_t nFailures = 0;
    for (const int nRow : rows) {
        RowCells row;
        std::string reason = row.Read(*pList, nRow, bResultRows);
        std::string path;
        if (reason.empty()) {
            path = ResolveDrivePath(std::string(row.cells[0]));
            if (WentAlready(moved, path)) {
                gone.push_back(nRow);
                continue;
            }
            if (bResultRows) reason = row.CompareWithDisk(path);
            if (reason.empty()) reason = MoveToTrash(path);
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
