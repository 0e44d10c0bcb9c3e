#include "platform/WinThread.h"

CWinThread::~CWinThread() = default;
CWinThread* AfxBeginThread(CWinThread::ThreadProc, void*) { return nullptr; }
