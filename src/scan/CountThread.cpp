#include "scan/CountThread.h"

unsigned CountThreadProc(void*) { return 0; }
void CountFolder(std::string, ScanColumns*) {}
void WaitForCount() {}
