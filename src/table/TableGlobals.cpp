#include "table/TableKind.h"

// Start-up leaves both at 0, so the first table is an All Drives table.
int g_nNextTable = 0;
int g_nDrive = 0;
