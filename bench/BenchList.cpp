// zorbin-bench list N [--insert]: the list control alone, with N synthetic rows shaped like a Files
// table (7 cells, texts of the sizes a real drive gives). Prints the seconds of TakeRows, of one
// screen of the shown view rendered into a pixmap, of a sort by Name, the peak memory (VmHWM)
// beside the bytes of all cell texts, and the bytes per row beyond the texts. --insert also times
// the row-by-row way (InsertItem and SetItemText), which copies every text.
#include "BenchClock.h"
#include "BenchCommand.h"
#include "HeadlessTable.h"

#include "framework/ListCtrl.h"

#include <QApplication>
#include <QHeaderView>
#include <QPixmap>
#include <QScrollBar>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

namespace {

// Deterministic texts with the sizes of a real Files table: paths of 40 to 110 bytes, names of
// 8 to 30, an extension, a length, three time texts (a fifth of the Created cells empty, as on
// file systems that report no birth time).
class RowMaker {
public:
    void Make(std::uint64_t i, std::string (&cells)[7]) {
        static const char* const folders[] = {"home", "anna",  "projects", "zorbin", "src",   "docs", "photos",
                                              "2023", "music", "archive",  "build",  "cache", "lib",  "share"};
        static const char* const exts[] = {"cpp", "h", "txt", "jpg", "png", "mp3", "pdf", "o", "so", "html"};
        const unsigned depth = 3 + Next() % 6;
        std::string& path = cells[0];
        path.clear();
        for (unsigned d = 0; d < depth; ++d) {
            path += '/';
            path += folders[Next() % 14];
            if (d % 2) path += "-" + std::to_string(Next() % 100);
        }
        std::string& name = cells[1];
        name = "file_" + std::to_string(i) + std::string(Next() % 16, 'x');
        cells[2] = exts[Next() % 10];
        name += "." + cells[2];
        path += "/" + name;
        cells[3] = std::to_string(Next() % (1u << (Next() % 28 + 1)));
        for (int c = 4; c < 7; ++c) {
            char text[32];
            std::snprintf(text, sizeof text, "%02u/%02u/%04u %02u:%02u:%02u", 1 + Next() % 28, 1 + Next() % 12,
                          2000 + Next() % 25, Next() % 24, Next() % 60, Next() % 60);
            cells[c] = text;
        }
        if (Next() % 5 == 0) cells[4].clear();
    }

private:
    unsigned Next() {
        m_state = m_state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<unsigned>(m_state >> 33);
    }
    std::uint64_t m_state = 42;
};

int NameAfter(std::intptr_t a, std::intptr_t b, std::intptr_t context) {
    const auto* list = reinterpret_cast<const CListCtrl*>(context);
    const CCellText x = list->GetItemText(static_cast<int>(a), 1), y = list->GetItemText(static_cast<int>(b), 1);
    return x.View() > y.View() ? 1 : 0;
}

int RunList(const std::vector<std::string>& args) {
    const long n = args.empty() ? 0 : std::atol(args[0].c_str());
    const bool insert = args.size() > 1 && args[1] == "--insert";
    if (n <= 0 || n > 100000000 || (args.size() > 1 && !insert)) {
        std::fprintf(stderr, "usage: zorbin-bench list N [--insert]\n");
        return 2;
    }
    EnsureApplication();
    const long startKb = StatusKilobytes("VmRSS:");

    auto* list = new CListCtrl;
    const char* names[] = {"Path", "Name", "Ext", "Length", "Created", "Modified", "Accessed"};
    const int widths[] = {500, 150, 50, 80, 120, 120, 120};
    const int formats[] = {LVCFMT_LEFT,   LVCFMT_LEFT,   LVCFMT_CENTER, LVCFMT_RIGHT,
                           LVCFMT_CENTER, LVCFMT_CENTER, LVCFMT_CENTER};
    for (int c = 0; c < 7; ++c) list->InsertColumn(c, names[c], formats[c], widths[c], c);

    // The scan's side: column arrays, as a walk of a drive fills them.
    const auto buildStart = std::chrono::steady_clock::now();
    std::vector<CTextColumn> columns(7);
    RowMaker maker;
    std::string cells[7];
    for (long i = 0; i < n; ++i) {
        maker.Make(static_cast<std::uint64_t>(i), cells);
        for (int c = 0; c < 7; ++c) columns[static_cast<std::size_t>(c)].Add(cells[c]);
    }
    const double buildSeconds = Seconds(buildStart);
    const long builtKb = StatusKilobytes("VmRSS:");

    const auto takeStart = std::chrono::steady_clock::now();
    const double takeCpuStart = ThreadCpuSeconds();
    list->TakeRows(std::move(columns));
    const double takeSeconds = Seconds(takeStart);
    const double takeCpu = ThreadCpuSeconds() - takeCpuStart;
    const long takenKb = StatusKilobytes("VmRSS:");

    list->resize(1280, 960);
    list->show();
    QApplication::processEvents();
    const int visibleRows = list->viewport()->height() / std::max(list->rowHeight(0), 1) + 1;
    auto renderStart = std::chrono::steady_clock::now();
    QPixmap screen = list->grab();
    const double firstRender = Seconds(renderStart);
    // Then screens further down, each painted afresh.
    std::vector<double> renders;
    for (int k = 1; k <= 21; ++k) {
        list->verticalScrollBar()->setValue(list->verticalScrollBar()->maximum() / 22 * k);
        QApplication::processEvents();
        const double cpuStart = ThreadCpuSeconds();
        screen = list->grab();
        renders.push_back(ThreadCpuSeconds() - cpuStart);
    }
    std::sort(renders.begin(), renders.end());
    const long shownKb = StatusKilobytes("VmRSS:");
    const long peakKb = StatusKilobytes("VmHWM:");

    const CListRows& rows = list->GetRows();
    const double textBytes = static_cast<double>(rows.TextBytes());
    const double peakBytes = peakKb * 1024.0;
    const double budget = 1.25 * textBytes + 64.0 * static_cast<double>(n);
    std::printf("list %ld rows, 7 columns\n", n);
    std::printf("  making the column arrays:       %.3f s\n", buildSeconds);
    std::printf("  TakeRows:                       %.4f s (%.4f s of processor time)\n", takeSeconds, takeCpu);
    std::printf("  render one screen (%d rows):    first %.4f s; 21 more, processor time: best %.4f s, median %.4f s\n",
                visibleRows, firstRender, renders.front(), renders[renders.size() / 2]);
    std::printf("  cell texts:                     %.1f MB (%.1f bytes a row)\n", textBytes / 1e6, textBytes / n);
    std::printf("  rows held in:                   %.1f MB of heap\n", rows.HeapBytes() / 1e6);
    std::printf(
        "  peak memory (VmHWM):            %.1f MB; resident %.1f MB at start, %.1f MB with the column\n"
        "                                  arrays, %.1f MB after TakeRows, %.1f MB shown\n",
        peakBytes / 1e6, startKb * 1024.0 / 1e6, builtKb * 1024.0 / 1e6, takenKb * 1024.0 / 1e6,
        shownKb * 1024.0 / 1e6);
    std::printf("  beyond the texts, a row:        %.1f bytes (whole process), %.1f bytes (after start)\n",
                (peakBytes - textBytes) / n, (peakBytes - startKb * 1024.0 - textBytes) / n);
    std::printf("  budget 1.25 x texts + 64 a row: %.1f MB, peak is %.0f %% of it\n", budget / 1e6,
                100.0 * peakBytes / budget);

    auto sortStart = std::chrono::steady_clock::now();
    const double sortCpuStart = ThreadCpuSeconds();
    list->SortItems(NameAfter, reinterpret_cast<std::intptr_t>(list));
    std::printf("  SortItems by Name (byte order): %.3f s (%.3f s of processor time)\n", Seconds(sortStart),
                ThreadCpuSeconds() - sortCpuStart);

    if (insert) {
        std::vector<std::string> copy[7];
        list->DeleteAllItems();
        RowMaker again;
        const auto insertStart = std::chrono::steady_clock::now();
        for (long i = 0; i < n; ++i) {
            again.Make(static_cast<std::uint64_t>(i), cells);
            const int row = list->InsertItem(static_cast<int>(i), cells[0], i);
            for (int c = 1; c < 7; ++c) list->SetItemText(row, c, cells[c]);
        }
        std::printf("  InsertItem + SetItemText:       %.3f s (texts made on the way)\n", Seconds(insertStart));
    }
    delete list;
    std::fflush(stdout);
    return 0;
}

const bool registered = RegisterBenchCommand({"list", "list N [--insert]", &RunList});

}  // namespace
