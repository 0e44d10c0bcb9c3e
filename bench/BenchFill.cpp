// zorbin-bench fill files|dirs DIR: scans DIR mapped as drive C: and fills a table's list control
// through the real initial update, never painted; prints seconds and peak memory beside the bytes
// of all cell texts.
// zorbin-bench sort COLUMN DIR [--clicks N] [--before FILE] [--after FILE]: fills the Files table of
// DIR, then sorts it by the named column through OnColumnClick, N times (1 unless told: the first
// click is ascending, the second descending...), and prints the seconds of the last click alone.
// --before/--after write the rows tab-separated before the first and after the last click, for
// comparison with sort(1) and between builds.
#include "BenchClock.h"
#include "BenchCommand.h"
#include "HeadlessTable.h"

#include "framework/Document.h"
#include "framework/MessageBox.h"
#include "scan/DriveGlobals.h"
#include "scan/DriveScanner.h"
#include "scan/ScanColumns.h"
#include "table/ListView_Table.h"
#include "table/SortGlobals.h"
#include "table/TableKind.h"

#include <QApplication>
#include <QWidget>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

namespace {

int RunFill(const std::vector<std::string>& args) {
    if (args.size() != 2 || (args[0] != "files" && args[0] != "dirs")) {
        std::fprintf(stderr, "usage: zorbin-bench fill files|dirs DIR\n");
        return 2;
    }
    CHeadlessTable table;
    if (!table.Open(args[1], args[0] == "files" ? Files : Directories)) return 1;
    const long before = StatusKilobytes("VmHWM:");
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = ProcessCpuSeconds();
    table.Fill();
    const double seconds = Seconds(start);
    const double cpu = ProcessCpuSeconds() - cpuStart;
    const long peak = StatusKilobytes("VmHWM:");
    const CListRows& rows = table.view->GetRows();
    std::printf("fill %s: %d rows in %.3f s (scan and fill), processor %.3f s\n", args[0].c_str(), rows.GetRowCount(),
                seconds, cpu);
    std::printf("cell texts: %.1f MB; rows held in %.1f MB\n", rows.TextBytes() / 1e6, rows.HeapBytes() / 1e6);
    std::printf("peak memory (VmHWM): %.1f MB, %.1f MB of it after start-up\n", peak / 1e3, (peak - before) / 1e3);
    // The same walk once more, alone, after the peak was read: what the fill adds is the difference.
    CTextColumn arrays[10];
    ScanColumns record;
    for (int k = 0; k < 10; ++k) record.*kScanSlots[k] = &arrays[k];
    const auto scanStart = std::chrono::steady_clock::now();
    const double scanCpuStart = ProcessCpuSeconds();
    CDriveScanner().ScanFolder("C:/", &record);
    std::printf("the walk alone: %.3f s, processor %.3f s\n", Seconds(scanStart), ProcessCpuSeconds() - scanCpuStart);
    return 0;
}

void WriteRows(const CListCtrl& list, const std::string& path) {
    std::FILE* out = std::fopen(path.c_str(), "w");
    if (!out) return;
    for (int r = 0; r < list.GetItemCount(); ++r)
        for (int c = 0; c < list.GetColumnCount(); ++c) {
            const CCellText cell = list.GetItemText(r, c);
            std::fwrite(cell.data(), 1, cell.size(), out);
            std::fputc(c + 1 < list.GetColumnCount() ? '\t' : '\n', out);
        }
    std::fclose(out);
}

int RunSort(const std::vector<std::string>& args) {
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: zorbin-bench sort COLUMN DIR [--clicks N] [--before FILE] [--after FILE]\n");
        return 2;
    }
    std::string before, after;
    int clicks = 1;
    for (std::size_t i = 2; i + 1 < args.size(); i += 2) {
        if (args[i] == "--clicks")
            clicks = std::max(1, std::atoi(args[i + 1].c_str()));
        else
            (args[i] == "--before" ? before : after) = args[i + 1];
    }
    CHeadlessTable table;
    if (!table.Open(args[1], Files)) return 1;
    table.Fill();
    int column = -1;
    for (std::size_t c = 0; c < table.view->m_aColNames.size(); ++c)
        if (table.view->m_aColNames[c] == args[0]) column = static_cast<int>(c);
    if (column < 0) {
        std::fprintf(stderr, "no column \"%s\" in a Files table\n", args[0].c_str());
        return 2;
    }
    if (!before.empty()) WriteRows(*table.view, before);
    for (int k = 1; k < clicks; ++k) table.view->OnColumnClick(column);
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = ProcessCpuSeconds();
    table.view->OnColumnClick(column);
    const double seconds = Seconds(start);
    const double cpu = ProcessCpuSeconds() - cpuStart;
    if (!after.empty()) WriteRows(*table.view, after);
    std::printf("sort by %s: %d rows in %.3f s, processor %.3f s (%s)\n", args[0].c_str(), table.view->GetItemCount(),
                seconds, cpu, g_bSortDescending ? "descending" : "ascending");
    return 0;
}

const bool registered =
    RegisterBenchCommand({"fill", "fill files|dirs DIR", &RunFill}) &&
    RegisterBenchCommand({"sort", "sort COLUMN DIR [--clicks N] [--before FILE] [--after FILE]", &RunSort});

}  // namespace
