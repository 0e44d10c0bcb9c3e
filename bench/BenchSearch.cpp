// zorbin-bench find TEXT DIR [COPIES]: fills the Files table of DIR, repeats its rows COPIES times
// (each copy's names marked with ".k", so a 100,000-file tree stands for a drive of millions),
// and times the search of Find Files or Dirs for TEXT over the Name cells alone.
// zorbin-bench doubles DIR [COPIES]: the same table, sorted by Name through OnColumnClick, and the
// neighbour search of Find Doubles timed alone.
#include "BenchClock.h"
#include "BenchCommand.h"
#include "HeadlessTable.h"

#include "commands/ResultLines.h"
#include "commands/SearchLines.h"
#include "table/ListView_Table.h"
#include "table/TableKind.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>

namespace {

struct SearchTable : CHeadlessTable {
    bool Open(const std::string& dir, int copies) {
        if (!CHeadlessTable::Open(dir, Files)) return false;
        Fill();
        if (copies > 1) Repeat(copies);
        return true;
    }

    void Repeat(int copies) {
        const int rows = view->GetItemCount();
        std::vector<CTextColumn> columns(7);
        std::string name;
        for (int k = 0; k < copies; ++k)
            for (int r = 0; r < rows; ++r)
                for (int c = 0; c < 7; ++c) {
                    if ((c == 0 || c == 1) && k > 0) {
                        name.assign(view->GetItemText(r, c));
                        name += "." + std::to_string(k);
                        columns[c].Add(name);
                    } else {
                        const CCellText cell = view->GetItemText(r, c);
                        columns[c].Add(cell);
                    }
                }
        view->DeleteAllItems();
        view->TakeRows(std::move(columns));
    }
};

void Report(const char* what, int rows, double seconds, double cpu) {
    std::printf("%s: %zu of %d rows in %.3f s, processor %.3f s (%.0f ns a row)\n", what, g_aResultLines.GetSize(),
                rows, seconds, cpu, cpu * 1e9 / std::max(1, rows));
}

int RunFind(const std::vector<std::string>& args) {
    if (args.size() < 2 || args.size() > 3) {
        std::fprintf(stderr, "usage: zorbin-bench find TEXT DIR [COPIES]\n");
        return 2;
    }
    SearchTable table;
    if (!table.Open(args[1], args.size() == 3 ? std::atoi(args[2].c_str()) : 1)) return 1;
    // Once untimed: the first pass over fresh rows pays the page faults of their buffers.
    g_strFind = args[0];
    WriteFoundLines(table.view->GetRows(), Files);
    g_strFind = args[0];
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = ProcessCpuSeconds();
    WriteFoundLines(table.view->GetRows(), Files);
    Report(("find \"" + args[0] + "\"").c_str(), table.view->GetItemCount(), Seconds(start),
           ProcessCpuSeconds() - cpuStart);
    g_aResultLines.RemoveAll();
    return 0;
}

int RunDoubles(const std::vector<std::string>& args) {
    if (args.empty() || args.size() > 2) {
        std::fprintf(stderr, "usage: zorbin-bench doubles DIR [COPIES]\n");
        return 2;
    }
    SearchTable table;
    if (!table.Open(args[0], args.size() == 2 ? std::atoi(args[1].c_str()) : 1)) return 1;
    table.view->OnColumnClick(1);
    WriteDoubleLines(table.view->GetRows());  // once untimed, as for find
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = ProcessCpuSeconds();
    WriteDoubleLines(table.view->GetRows());
    Report("doubles", table.view->GetItemCount(), Seconds(start), ProcessCpuSeconds() - cpuStart);
    g_aResultLines.RemoveAll();
    return 0;
}

const bool registered = RegisterBenchCommand({"find", "find TEXT DIR [COPIES]", &RunFind}) &&
                        RegisterBenchCommand({"doubles", "doubles DIR [COPIES]", &RunDoubles});

}  // namespace
