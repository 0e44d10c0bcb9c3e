#pragma once
#include <cstdint>

class CListCtrl;

// The one sort direction of the whole program, reversed at the start of every sort in any table;
// starts true so that the first sort is ascending.
extern bool g_bSortDescending;
extern int g_nSortType;    // sort type code of the column being sorted
extern int g_nSortColumn;  // index of the column being sorted

// Sort type codes: 3 and 4 integers, 7 and 21 reals, 23 date-time, anything else text.
enum SortType : int { SortInteger = 3, SortLong = 4, SortReal = 7, SortText = 10, SortFloat = 21, SortDateTime = 23 };

// Compares two rows, by their item data, of the CListRows given as context: 1 when the first goes
// after the second.
int CompareRows(std::intptr_t lParam1, std::intptr_t lParam2, std::intptr_t lParamSort);

// Sorts the rows of list by column nCol of sort type nType into the very order SortItems with
// CompareRows gives (for that column, type and direction), from one key per row instead of a
// comparison per pair. False, with the rows untouched, when no keys can give that order (a real
// that is no number).
bool SortItemsByColumn(CListCtrl& list, int nCol, int nType, bool bDescending);
