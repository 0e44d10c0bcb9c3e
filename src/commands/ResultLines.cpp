#include "commands/ResultLines.h"

#include "platform/ListCtrl.h"

CTextColumn g_aResultLines;
std::string g_strFind;

void MakeResultLine(const CListCtrl& list, int nRow, std::string& out) {
    // " %s; %s; %s; %s; %s; %s; %s": the cells as the list holds them, no quoting.
    std::string_view cells[7];
    std::size_t size = 1 + 6 * 2;
    for (int c = 0; c < 7; ++c) {
        cells[c] = list.GetItemText(nRow, c);
        size += cells[c].size();
    }
    out.clear();
    out.reserve(size);
    out += ' ';
    out += cells[0];
    for (int c = 1; c < 7; ++c) {
        out += "; ";
        out += cells[c];
    }
}

std::string MakeResultLine(const CListCtrl& list, int nRow) {
    std::string line;
    MakeResultLine(list, nRow, line);
    return line;
}

std::vector<std::string_view> SplitResultLine(std::string_view line) {
    // Maximal stretches without ';': a run of ';' is one cut and no piece is empty.
    std::vector<std::string_view> pieces;
    pieces.reserve(7);
    std::size_t pos = 0;
    while (pos < line.size()) {
        if (line[pos] == ';') {
            ++pos;
            continue;
        }
        std::size_t end = line.find(';', pos);
        if (end == std::string_view::npos) end = line.size();
        pieces.push_back(line.substr(pos, end - pos));
        pos = end;
    }
    return pieces;
}
