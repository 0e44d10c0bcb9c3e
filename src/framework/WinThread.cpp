#include "framework/WinThread.h"

#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

CWinThread::~CWinThread() = default;

CWinThread* AfxBeginThread(CWinThread::ThreadProc proc, void* param) {
    // Thread objects live until the process ends and are never deleted by their worker: whoever
    // still holds the pointer may call ExitInstance safely. One small object per started worker
    // (one per All Drives table) is all this keeps.
    // Never destroyed either: a worker may outlive main() while the process exits.
    static auto* mutex = new std::mutex;
    static auto* started = new std::vector<std::unique_ptr<CWinThread>>;
    std::unique_ptr<CWinThread> thread(new CWinThread());
    try {
        std::thread([proc, param] { proc(param); }).detach();
    } catch (const std::system_error&) {
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(*mutex);
    started->push_back(std::move(thread));
    return started->back().get();
}
