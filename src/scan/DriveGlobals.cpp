#include "scan/DriveGlobals.h"

#include "framework/WinThread.h"

char g_szDrives[kMaxDrives];
double g_dDirCount[kMaxDrives];
double g_dFileCount[kMaxDrives];
std::atomic<CWinThread*> g_pCountThread{nullptr};
