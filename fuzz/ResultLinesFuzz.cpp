// The result-line hand-over: any seven cells (no NUL, which no path, name, number or time text
// holds) written as a line and cut back come out as the same cells after one leading blank, after
// a second hand-over as well.
#include "commands/ResultLines.h"
#include "framework/ListCtrl.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QApplication>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {
CListCtrl* g_list = nullptr;  // one control for every input
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    new QApplication(*argc, *argv);
    g_list = new CListCtrl;
    for (int c = 0; c < 7; ++c) g_list->InsertColumn(c, "Cell", LVCFMT_LEFT, 80, c);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    std::vector<std::string> cells(7);
    for (std::string& cell : cells) {
        cell = in.ConsumeRandomLengthString(40);
        std::erase(cell, '\0');
    }
    std::string line;
    std::vector<std::string> back;
    for (int handOver = 1; handOver <= 2; ++handOver) {
        g_list->DeleteAllItems();
        g_list->InsertItem(0, cells[0], 0);
        for (int c = 1; c < 7; ++c) g_list->SetItemText(0, c, cells[c]);
        MakeResultLine(g_list->GetRows(), 0, line);
        SplitResultLine(line, back);
        // A row whose cells are all empty still comes back as seven blanks; no cell is lost or split.
        if (back.size() != 7) std::abort();
        for (int c = 0; c < 7; ++c)
            if (back[c] != " " + cells[c]) std::abort();
        cells = back;
    }
    return 0;
}
