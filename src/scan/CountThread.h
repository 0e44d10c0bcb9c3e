#pragma once
#include <string>

struct ScanColumns;

// The counting worker's thread function: counts every drive of g_szDrives into the record it is
// given, stores the counts per drive, and clears g_pCountThread as its last act.
unsigned CountThreadProc(void* pParam);
// Adds the directories and files below the path to the record's counters.
void CountFolder(const std::string& strPath, ScanColumns* pColumns);
// Blocks until no count runs (testing every 10 ms, no messages processed).
void WaitForCount();
