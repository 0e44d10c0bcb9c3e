// zorbin-bench open DIR [--phases]: starts Zorbin offscreen with drive C: mapped to DIR, presses
// Enter on C:'s All Drives row as a user does, and prints the seconds from the key to the shown
// Files table and the peak memory. Everything runs through the program's own windows: the count
// that the All Drives table starts runs beside the two fills, as it does for a user.
// --phases then times each part of an open alone, in the same process: the count, and the one
// walk whose rows both tables take (the Directories table's walk reads the files too); what
// remains of the open is the count's share of the processors, the fill and the windows.
#include "BenchClock.h"
#include "BenchCommand.h"

#include "app/MainFrame.h"
#include "app/ZorbinApp.h"
#include "framework/MDIChildWnd.h"
#include "scan/CountThread.h"
#include "scan/DriveGlobals.h"
#include "scan/DriveScanner.h"
#include "scan/ScanColumns.h"
#include "table/ListView_Table.h"
#include "table/TableKind.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

namespace {

// Seconds from `since` until the count that the All Drives table started has ended.
std::atomic<double> g_countEnded{-1};

void WatchCount(std::chrono::steady_clock::time_point since) {
    while (g_pCountThread.load(std::memory_order_acquire) != nullptr)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    g_countEnded.store(Seconds(since));
}

// Seconds of the walk of a table of the drive, which fills every array of the record.
double TimeWalk(const std::string& root) {
    CTextColumn arrays[10];
    ScanColumns record;
    for (int slot = 0; slot < 10; ++slot) record.*kScanSlots[slot] = &arrays[slot];
    const auto start = std::chrono::steady_clock::now();
    CDriveScanner().ScanFolder(root, &record);
    return Seconds(start);
}

int RunOpen(const std::vector<std::string>& args) {
    if (args.empty() || args.size() > 2 || (args.size() == 2 && args[1] != "--phases") ||
        !std::filesystem::is_directory(args[0])) {
        std::fprintf(stderr, "usage: zorbin-bench open DIR [--phases]\n");
        return 2;
    }
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("ZORBIN_DRIVES", ("C=" + args[0]).c_str(), 1);
    static int argc = 1;
    static char name[] = "zorbin";
    static char* argv[] = {name, nullptr};
    // Never destroyed: a count may still walk when the process exits.
    new QApplication(argc, argv);

    const auto started = std::chrono::steady_clock::now();
    if (!theApp.InitInstance(argc, argv)) return 1;
    CMainFrame* frame = theApp.m_pMainWnd;
    frame->show();
    QApplication::processEvents();
    std::thread(WatchCount, started).detach();
    const double startup = Seconds(started);

    auto* drives = dynamic_cast<CListView_Table*>(frame->GetActiveView());
    if (!drives || drives->GetItemCount() < 1) {
        std::fprintf(stderr, "no All Drives table with drive C:\n");
        return 1;
    }
    const long rssBefore = StatusKilobytes("VmRSS:");
    const double cpuBefore = ProcessCpuSeconds();
    const auto key = std::chrono::steady_clock::now();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(drives, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(drives, &release);
    QApplication::processEvents();  // the Files table paints
    const double open = Seconds(key);
    const double cpu = ProcessCpuSeconds() - cpuBefore;
    const long peak = StatusKilobytes("VmHWM:");
    const long rss = StatusKilobytes("VmRSS:");

    auto* files = dynamic_cast<CListView_Table*>(frame->GetActiveView());
    if (!files || files->m_nKind != Files || frame->GetMdiArea()->subWindowList().size() != 3) {
        std::fprintf(stderr, "the Files table did not open\n");
        return 1;
    }
    WaitForCount();
    std::printf("open C: %d files: %.3f s from the key to the shown Files table, processor %.3f s\n",
                files->GetItemCount(), open, cpu);
    std::printf("start-up %.3f s; the count ended %.3f s after start-up began\n", startup, g_countEnded.load());
    std::printf("memory: peak (VmHWM) %.1f MB, resident %.1f MB after the open, %.1f MB before the key\n", peak / 1e3,
                rss / 1e3, rssBefore / 1e3);
    if (args.size() == 2) {
        const auto countStart = std::chrono::steady_clock::now();
        ScanColumns counters;
        CountFolder("C:/", &counters);
        const double count = Seconds(countStart);
        const double walk = TimeWalk("C:/");
        std::printf("alone: count %.3f s, the walk of both tables %.3f s; the rest of the open %.3f s\n", count, walk,
                    open - walk);
    }
    std::fflush(stdout);
    std::_Exit(0);  // the windows of a million rows need not be taken down one by one
}

const bool registered = RegisterBenchCommand({"open", "open DIR [--phases]", &RunOpen});

}  // namespace
