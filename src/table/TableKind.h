#pragma once

enum TableKind : int { AllDrives = 0, Files = 1, Directories = 2, Doubles = 3, Found = 4 };

// Hand-off to the next table that opens: its kind and the index of its drive in g_szDrives.
// Never reset: they keep the last value written.
extern int g_nNextTable;
extern int g_nDrive;
