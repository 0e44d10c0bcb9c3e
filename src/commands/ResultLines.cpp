#include "commands/ResultLines.h"

#include "store/ListRows.h"

#include <algorithm>

CTextColumn g_aResultLines;
std::string g_strFind;

namespace {

// Stands for a cell's own ";" inside a result line.
constexpr char kSemicolon = '\0';

void AppendCell(std::string_view cell, std::string& out) {
    const std::size_t from = out.size();
    out += cell;
    std::replace(out.begin() + static_cast<std::ptrdiff_t>(from), out.end(), ';', kSemicolon);
}

}  // namespace

void MakeResultLine(const CListRows& rows, int nRow, std::string& out) {
    // " %s; %s; %s; %s; %s; %s; %s": the cells as the rows hold them.
    CCellText held[7];
    std::string_view cells[7];
    std::size_t size = 1 + 6 * 2;
    for (int c = 0; c < 7; ++c) {
        held[c] = rows.GetText(nRow, c);
        cells[c] = held[c];
        size += cells[c].size();
    }
    out.clear();
    out.reserve(size);
    out += ' ';
    AppendCell(cells[0], out);
    for (int c = 1; c < 7; ++c) {
        out += "; ";
        AppendCell(cells[c], out);
    }
}

std::string MakeResultLine(const CListRows& rows, int nRow) {
    std::string line;
    MakeResultLine(rows, nRow, line);
    return line;
}

void SplitResultLine(std::string_view line, std::vector<std::string>& cells) {
    // Maximal stretches without ';': a run of ';' is one cut and no piece is empty.
    std::size_t n = 0;
    std::size_t pos = 0;
    while (pos < line.size()) {
        if (line[pos] == ';') {
            ++pos;
            continue;
        }
        std::size_t end = line.find(';', pos);
        if (end == std::string_view::npos) end = line.size();
        if (n == cells.size()) cells.emplace_back();
        std::string& cell = cells[n++];
        cell.assign(line, pos, end - pos);
        std::replace(cell.begin(), cell.end(), kSemicolon, ';');
        pos = end;
    }
    cells.resize(n);
}

std::vector<std::string> SplitResultLine(std::string_view line) {
    std::vector<std::string> cells;
    SplitResultLine(line, cells);
    return cells;
}

bool GetEntryCells(const CListRows& rows, int nRow, TableKind kind, CCellText (&held)[7],
                   std::string_view (&cells)[7]) {
    for (int c = 0; c < 7; ++c) {
        held[c] = rows.GetText(nRow, c);
        cells[c] = held[c];
    }
    if (!IsHandedOver(kind)) return true;
    const std::size_t blanks = HandOverBlanks(kind, cells[0]);
    if (blanks == 0 || blanks == std::string_view::npos || cells[0][blanks] != '/') return false;
    for (std::string_view& cell : cells) {
        if (cell.size() < blanks || cell.find_first_not_of(' ') < blanks) return false;
        cell.remove_prefix(blanks);
    }
    return true;
}
