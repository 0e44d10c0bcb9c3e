#pragma once
#include "store/TextColumn.h"
#include "table/TableKind.h"

#include <string>
#include <string_view>
#include <vector>

class CListRows;

// The hand-over of the search commands to the table they open: one line per found row.
extern CTextColumn g_aResultLines;
// The text of the last confirmed "What to find" dialog.
extern std::string g_strFind;

// Row nRow of the rows as a result line: " %s; %s; %s; %s; %s; %s; %s" over columns 0 to 6. A ";"
// of a cell is written as a NUL, a byte no path, name, number or time text holds, so the cut at
// ";" finds only the separators.
std::string MakeResultLine(const CListRows& rows, int nRow);
// The same line written over out, so a search reuses one buffer for all its lines.
void MakeResultLine(const CListRows& rows, int nRow, std::string& out);
// Cuts a result line back into cells: the maximal stretches without ';', nothing trimmed, each
// NUL turned back into the ";" it stood for. So every cell equals its source cell after one
// leading blank. The cells are written over `cells`, whose strings keep their buffers from one
// line to the next (a search hands over a million lines).
void SplitResultLine(std::string_view line, std::vector<std::string>& cells);
std::vector<std::string> SplitResultLine(std::string_view line);

// The cells of row nRow as the entry's own texts, into cells[0..6]: the blanks of the hand-over
// (HandOverBlanks) are dropped from every cell. False when the row is not such a row (a Doubles
// or Found row whose Path cell is not an absolute path after its blanks, or a cell with fewer
// blanks). The views are of held, which keeps the texts read.
bool GetEntryCells(const CListRows& rows, int nRow, TableKind kind, CCellText (&held)[7], std::string_view (&cells)[7]);
