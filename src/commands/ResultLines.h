#pragma once
#include "platform/TextColumn.h"

#include <string>
#include <string_view>
#include <vector>

class CListCtrl;

// The hand-over of the search commands to the table they open: one line per found row.
extern CTextColumn g_aResultLines;
// The text of the last confirmed "What to find" dialog.
extern std::string g_strFind;

// Row nRow of the list as a result line: " %s; %s; %s; %s; %s; %s; %s" over columns 0 to 6.
std::string MakeResultLine(const CListCtrl& list, int nRow);
// The same line written over out, so a search reuses one buffer for all its lines.
void MakeResultLine(const CListCtrl& list, int nRow, std::string& out);
// Cuts a result line back into cells: the maximal stretches without ';', nothing trimmed.
std::vector<std::string_view> SplitResultLine(std::string_view line);
