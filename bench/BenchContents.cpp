// zorbin-bench contents DIR [--list FILE] [--no-check]: fills the Files table of DIR, sorts it by Name, opens its
// Doubles table from Find Doubles' lines, and times that table's fill, its space-to-gain figure
// alone, and the content check of Check Contents (both cores), with the check's peak memory above
// the open tables. --list writes the paths the check reads, NUL-separated, for `xargs -0 cat`;
// --no-check stops before the check (a sparse tree of terabytes is not worth reading).
// zorbin-bench export DIR FILE: fills the Files table of DIR and times Export of it to FILE (CSV,
// or tab-separated text for .tsv).
#include "BenchClock.h"
#include "BenchCommand.h"
#include "HeadlessTable.h"

#include "app/ZorbinApp.h"
#include "system/ContentCheck.h"
#include "commands/SearchLines.h"
#include "table/ListView_Table.h"
#include "table/TableKind.h"

#include <chrono>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace {

int RunContents(std::vector<std::string> args) {
    std::string listFile;
    bool bCheck = true;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--list" && i + 1 < args.size())
            listFile = args[++i];
        else if (args[i] == "--no-check")
            bCheck = false;
        else
            args.clear();
    }
    if (args.empty()) {
        std::fprintf(stderr, "usage: zorbin-bench contents DIR [--list FILE] [--no-check]\n");
        return 2;
    }
    CHeadlessTable files;
    if (!files.Open(args[0], Files)) return 1;
    files.Fill();
    files.view->OnColumnClick(1);
    WriteDoubleLines(files.view->GetRows());
    CHeadlessTable doubles;
    if (!doubles.Open(args[0], Doubles)) return 1;
    auto start = std::chrono::steady_clock::now();
    doubles.Fill();  // the fill counts the space to gain as its last step
    const double fill = Seconds(start);
    start = std::chrono::steady_clock::now();
    const double gainCpuStart = ProcessCpuSeconds();
    doubles.view->CountSpaceToGain();
    const double gain = Seconds(start);
    std::printf("doubles table: %d rows filled in %.3f s; space to gain alone %.3f s, processor %.3f s:%s\n",
                doubles.view->GetItemCount(), fill, gain, ProcessCpuSeconds() - gainCpuStart,
                doubles.view->m_strGain.c_str());

    std::vector<int> rowOf;
    int nSkipped = 0;
    const std::vector<CContentCheck::File> list = doubles.view->GetContentFiles(rowOf, nSkipped);
    if (!bCheck) return 0;
    if (!listFile.empty()) {
        std::FILE* out = std::fopen(listFile.c_str(), "w");
        if (out == nullptr) return 1;
        std::set<std::string> seen;  // one name of each path, as the check opens each once
        for (const CContentCheck::File& file : list)
            if (seen.insert(file.path).second) std::fwrite(file.path.c_str(), 1, file.path.size() + 1, out);
        std::fclose(out);
    }
    const long before = StatusKilobytes("VmHWM:");
    const long rss = StatusKilobytes("VmRSS:");
    start = std::chrono::steady_clock::now();
    const double cpuStart = ProcessCpuSeconds();
    const CContentCheck::Result result = CContentCheck::Run(list, 2);
    const double seconds = Seconds(start);
    const double cpu = ProcessCpuSeconds() - cpuStart;
    const long peak = StatusKilobytes("VmHWM:");
    std::size_t grouped = 0;
    for (const CContentCheck::Group& group : result.groups) grouped += group.rows.size();
    std::printf(
        "check contents: %zu files, %lld read (%.1f MB), in %.3f s, processor %.3f s; %zu groups of %zu "
        "files; unreadable %d, changed %d\n",
        list.size(), static_cast<long long>(result.nFilesRead), static_cast<double>(result.nBytesRead) / 1e6, seconds,
        cpu, result.groups.size(), grouped, result.nUnreadable, result.nChanged);
    std::printf("peak memory: %.1f MB before the check (resident %.1f MB), %.1f MB after\n", before / 1e3, rss / 1e3,
                peak / 1e3);
    return 0;
}

int RunExport(const std::vector<std::string>& args) {
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: zorbin-bench export DIR FILE\n");
        return 2;
    }
    CHeadlessTable table;
    if (!table.Open(args[0], Files)) return 1;
    table.Fill();
    theApp.m_promptExportName = [&] { return args[1]; };
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = ProcessCpuSeconds();
    table.view->Export();
    std::printf("export: %d rows in %.3f s, processor %.3f s\n", table.view->GetItemCount(), Seconds(start),
                ProcessCpuSeconds() - cpuStart);
    return 0;
}

const bool registered =
    RegisterBenchCommand({"contents", "contents DIR [--list FILE] [--no-check]",
                          [](const std::vector<std::string>& args) { return RunContents(args); }}) &&
    RegisterBenchCommand({"export", "export DIR FILE", &RunExport});

}  // namespace
