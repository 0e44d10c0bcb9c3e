#include "commands/SearchLines.h"

#include "commands/ResultLines.h"
#include "platform/ListCtrl.h"
#include "platform/MakeLower.h"

#include <string>

void WriteFoundLines(const CListCtrl& list) {
    const int n = list.GetItemCount();
    g_aResultLines.RemoveAll();
    // The text is lowered once the first row is looked at, so a table without rows keeps it as
    // typed in the Found table's title.
    if (n > 0) MakeLower(g_strFind);
    // One buffer for every name and one for every line, no string object per row: a search runs
    // over a million names, and an empty text writes them all.
    std::string name;
    std::string line;
    for (int i = 0; i < n; ++i) {
        name.clear();
        const CCellText cell = list.GetItemText(i, 1);
        AppendLower(cell, name);
        if (name.find(g_strFind) == std::string::npos) continue;
        MakeResultLine(list, i, line);
        g_aResultLines.Add(line);
    }
}

void WriteDoubleLines(const CListCtrl& list) {
    const int n = list.GetItemCount();
    g_aResultLines.RemoveAll();
    bool bPreviousWritten = false;
    std::string line;
    for (int i = 0; i < n; ++i) {
        // Exact bytes: a.txt and A.txt are different files. The lengths only count when the names agree.
        const bool bMatchesNext = i + 1 < n && list.GetItemText(i, 1) == list.GetItemText(i + 1, 1) &&
                                  list.GetItemText(i, 3) == list.GetItemText(i + 1, 3);
        if (bMatchesNext || bPreviousWritten) {
            MakeResultLine(list, i, line);
            g_aResultLines.Add(line);
        }
        bPreviousWritten = bMatchesNext;
    }
}
