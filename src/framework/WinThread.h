#pragma once
#include <memory>

// A worker thread's object. It stays alive as long as anybody may still call it: the process
// keeps the object of every worker it started (one small object per All Drives table), so the
// main frame's ExitInstance can never meet an object being deleted.
class CWinThread {
public:
    using ThreadProc = unsigned (*)(void*);
    virtual ~CWinThread();
    // The thread's clean-up; it neither stops the thread nor waits for it.
    virtual int ExitInstance() { return 0; }

private:
    friend CWinThread* AfxBeginThread(ThreadProc proc, void* param);
    CWinThread() = default;
};

// Starts proc(param) on a new thread at once and returns its object, or null when no thread
// could be started. The thread is detached: ending the program does not wait for it.
CWinThread* AfxBeginThread(CWinThread::ThreadProc proc, void* param);
