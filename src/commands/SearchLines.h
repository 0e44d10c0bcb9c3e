#pragma once

class CListCtrl;

// The result lines of the two searches over the rows of a table, written into g_aResultLines
// (emptied first): what Find Files or Dirs and Find Doubles hand to the table they open.

// Every row whose Name holds g_strFind, in any letter case. g_strFind is lowered in place when
// the table has a row, and stays as typed when it has none.
void WriteFoundLines(const CListCtrl& list);
// Every row of each run of neighbouring rows with equal Name and Length, byte for byte.
void WriteDoubleLines(const CListCtrl& list);
