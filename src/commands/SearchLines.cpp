#include "commands/SearchLines.h"

#include "commands/ResultLines.h"
#include "store/ListRows.h"
#include "store/TwoThreads.h"
#include "framework/MakeLower.h"

#include <string>
#include <string_view>
#include <vector>

void WriteFoundLines(const CListRows& rows, TableKind kind) {
    const int n = rows.GetRowCount();
    // The blanks a hand-over put before every cell are no part of the name.
    const bool bHandedOver = IsHandedOver(kind);
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
        const CCellText cell = rows.GetText(i, 1);
        std::string_view text = cell;
        if (bHandedOver) {
            const CCellText path = rows.GetText(i, 0);
            const std::size_t blanks = HandOverBlanks(kind, path);
            if (blanks != std::string_view::npos && text.find_first_not_of(' ') >= blanks) text.remove_prefix(blanks);
        }
        AppendLower(text, name);
        if (name.find(g_strFind) == std::string::npos) continue;
        MakeResultLine(rows, i, line);
        g_aResultLines.Add(line);
    }
}

namespace {

// matches[i] for the rows i in [from, to): whether row i agrees with row i + 1 in Name and Length.
// Each Name is read once and kept in a copy for the next row: the rows of a sorted table lie all
// over the cell store, so every read is a few cache misses (336 ns a row with two reads).
void MarkMatches(const CListRows& rows, int from, int to, std::vector<unsigned char>& matches) {
    const int n = rows.GetRowCount();
    std::string name;
    if (from < to) {
        const auto first = rows.GetText(from, 1);
        name.assign(std::string_view(first));
    }
    for (int i = from; i < to && i + 1 < n; ++i) {
        const auto next = rows.GetText(i + 1, 1);
        const std::string_view nextName = next;
        // Exact bytes: a.txt and A.txt are different files. The lengths only count when the names agree.
        matches[static_cast<std::size_t>(i)] = name == nextName && rows.GetText(i, 3) == rows.GetText(i + 1, 3);
        name.assign(nextName);
    }
}

// The lines of rows [from, to) that stand in a run of neighbours with equal Name and Length.
void AddDoubleLines(const CListRows& rows, int from, int to, const std::vector<unsigned char>& matches,
                    CTextColumn& lines) {
    bool bPreviousWritten = from > 0 && matches[static_cast<std::size_t>(from - 1)] != 0;
    std::string line;
    for (int i = from; i < to; ++i) {
        const bool bMatchesNext = matches[static_cast<std::size_t>(i)] != 0;
        if (bMatchesNext || bPreviousWritten) {
            MakeResultLine(rows, i, line);
            lines.Add(line);
        }
        bPreviousWritten = bMatchesNext;
    }
}

}  // namespace

void WriteDoubleLines(const CListRows& rows) {
    const int n = rows.GetRowCount();
    g_aResultLines.RemoveAll();
    std::vector<unsigned char> matches(static_cast<std::size_t>(n), 0);
    // Both halves on two threads: first the matches, then the lines, the second half's lines
    // appended after the first's.
    const bool bTwo = WorthTwoThreads(static_cast<std::size_t>(n));
    RunInTwoParts(bTwo, [&](int part) {
        part == 0 ? MarkMatches(rows, 0, n / 2, matches) : MarkMatches(rows, n / 2, n, matches);
    });
    CTextColumn later;
    RunInTwoParts(bTwo, [&](int part) {
        part == 0 ? AddDoubleLines(rows, 0, n / 2, matches, g_aResultLines)
                  : AddDoubleLines(rows, n / 2, n, matches, later);
    });
    g_aResultLines.AddRange(later, 0, later.GetSize());
}
