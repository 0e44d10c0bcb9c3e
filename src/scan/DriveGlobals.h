#pragma once
#include <atomic>

class CWinThread;

constexpr int kMaxDrives = 1000;

// Letters of the drives present, ascending, ended by a zero byte; a letter's position is its
// drive index.
extern char g_szDrives[kMaxDrives];
// Per drive index: directories and files found by the last count.
extern double g_dDirCount[kMaxDrives];
extern double g_dFileCount[kMaxDrives];
// The running count's worker, null when no count runs. The worker clears it with release order
// after its last count; readers load it with acquire order before they read the counts.
extern std::atomic<CWinThread*> g_pCountThread;
