#include "scan/CountThread.h"

#include "platform/DirWalker.h"
#include "platform/DriveMap.h"
#include "scan/DriveGlobals.h"
#include "scan/ScanColumns.h"

#include <chrono>
#include <cstdio>
#include <limits>
#include <thread>

namespace {

// The counters are signed 32-bit; a count past their range stops at the top instead of wrapping.
void AddSaturated(std::int32_t& counter, std::uint64_t n) {
    const std::uint64_t sum = static_cast<std::uint64_t>(counter < 0 ? 0 : counter) + n;
    counter = static_cast<std::int32_t>(std::min<std::uint64_t>(sum, std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

unsigned CountThreadProc(void* pParam) {
    auto* pColumns = static_cast<ScanColumns*>(pParam);
    for (int i = 0; i < kMaxDrives && g_szDrives[i] != '\0'; ++i) {
        char root[8];
        std::snprintf(root, sizeof root, "%c:/", g_szDrives[i]);
        CountFolder(root, pColumns);
        g_dDirCount[i] = static_cast<double>(pColumns->nDirCount);
        g_dFileCount[i] = static_cast<double>(pColumns->nFileCount);
        pColumns->nDirCount = 0;
        pColumns->nFileCount = 0;
    }
    // The last act: the release store publishes every count above to whoever sees null.
    g_pCountThread.store(nullptr, std::memory_order_release);
    return 0;
}

void CountFolder(std::string strPath, ScanColumns* pColumns) {
    if (!pColumns) return;
    std::uint64_t dirs = 0, files = 0;
    auto visit = [&](const CDirWalker::Entry& e) { ++(e.bDir ? dirs : files); };
    CDirWalker walker(CDirWalker::Mode::TypesOnly);
    walker.Walk(ResolveDrivePath(strPath), visit);
    AddSaturated(pColumns->nDirCount, dirs);
    AddSaturated(pColumns->nFileCount, files);
}

void WaitForCount() {
    using namespace std::chrono_literals;
    while (g_pCountThread.load(std::memory_order_acquire) != nullptr) std::this_thread::sleep_for(10ms);
}
