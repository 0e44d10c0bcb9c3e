#pragma once
#include "table/TableKind.h"

class CListRows;

// The result lines of the two searches over the rows of a table, written into g_aResultLines
// (emptied first): what Find Files or Dirs and Find Doubles hand to the table they open.

// Every row whose Name, without the blanks a hand-over put before it (in a table of kind Found
// or Doubles), holds g_strFind, in any letter case. g_strFind is lowered in place when the table
// has a row, and stays as typed when it has none.
void WriteFoundLines(const CListRows& rows, TableKind kind);
// Every row of each run of neighbouring rows with equal Name and Length, byte for byte.
void WriteDoubleLines(const CListRows& rows);
