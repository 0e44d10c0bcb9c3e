#pragma once
#include <cstddef>
#include <string_view>

enum TableKind : int { AllDrives = 0, Files = 1, Directories = 2, Doubles = 3, Found = 4 };

// Hand-off to the next table that opens: its kind and the index of its drive in g_szDrives.
// Never reset: they keep the last value written.
extern int g_nNextTable;
extern int g_nDrive;

// Whether the rows of a table of this kind came from a search's result lines, each hand-over
// putting one blank before every cell, rather than from a drive.
constexpr bool IsHandedOver(TableKind kind) { return kind == Doubles || kind == Found; }

// How many blanks the hand-overs put before every cell of a row of a table of this kind, told by
// the row's Path cell (an absolute path after them): 0 for a table read from a drive; npos for a
// handed-over row whose Path cell is nothing but blanks.
constexpr std::size_t HandOverBlanks(TableKind kind, std::string_view pathCell) {
    return IsHandedOver(kind) ? pathCell.find_first_not_of(' ') : 0;
}
