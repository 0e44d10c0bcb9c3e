// zorbin-bench scan | count | dump: the walks of a drive, timed or printed as table rows.
#include "BenchClock.h"
#include "BenchCommand.h"

#include "system/EntryStatus.h"

#include "scan/CountThread.h"
#include "scan/DriveScanner.h"
#include "scan/ScanColumns.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include <dirent.h>

namespace {

void PrintFigures(long long files, long long dirs, double seconds) {
    std::printf("files %lld\ndirs %lld\nseconds %.3f\n", files, dirs, seconds);
}

int CannotRead(const std::string& dir, int error) {
    std::fprintf(stderr, "zorbin-bench: %s cannot be read: %s\n", dir.c_str(), ErrnoText(error).c_str());
    return 1;
}

int RunScan(const std::vector<std::string>& args) {
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: zorbin-bench scan DIR\n");
        return 2;
    }
    CTextColumn columns[10];
    ScanColumns record;
    for (int i = 0; i < 10; ++i) record.*kScanSlots[i] = &columns[i];
    CDriveScanner scanner;
    const auto start = std::chrono::steady_clock::now();
    scanner.ScanFolder(args[0], &record);
    const double seconds = Seconds(start);
    // A folder that cannot be read is no tree of 0 files.
    if (scanner.m_nFolderError != 0) return CannotRead(args[0], scanner.m_nFolderError);
    PrintFigures(static_cast<long long>(columns[2].GetSize()), static_cast<long long>(columns[0].GetSize()), seconds);
    if (scanner.m_nUnlisted != 0) std::printf("unlisted %zu\n", scanner.m_nUnlisted);
    return 0;
}

int RunCount(const std::vector<std::string>& args) {
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: zorbin-bench count DIR\n");
        return 2;
    }
    if (DIR* dir = opendir(args[0].c_str()))
        closedir(dir);
    else
        return CannotRead(args[0], errno);
    ScanColumns record;
    const auto start = std::chrono::steady_clock::now();
    CountFolder(args[0], &record);
    const double seconds = Seconds(start);
    PrintFigures(record.nFileCount, record.nDirCount, seconds);
    return 0;
}

// A cell as one field of a tab-separated line: backslash, tab and newline escaped, all else as is.
void WriteCell(std::string_view cell, std::string& line) {
    for (const char c : cell) {
        switch (c) {
        case '\\': line += "\\\\"; break;
        case '\t': line += "\\t"; break;
        case '\n': line += "\\n"; break;
        default: line += c;
        }
    }
}

void WriteRows(const std::vector<const CTextColumn*>& cells) {
    std::string line;
    const std::size_t rows = cells.front()->GetSize();
    for (std::size_t row = 0; row < rows; ++row) {
        line.clear();
        for (std::size_t i = 0; i < cells.size(); ++i) {
            if (i) line += '\t';
            const CCellText cell = cells[i]->GetAt(row);
            WriteCell(cell, line);
        }
        line += '\n';
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
}

int RunDump(const std::vector<std::string>& args) {
    if (args.size() != 2 || (args[0] != "files" && args[0] != "dirs")) {
        std::fprintf(stderr, "usage: zorbin-bench dump files|dirs DIR\n");
        return 2;
    }
    std::error_code error;
    const std::string dir = std::filesystem::absolute(args[1], error).string();
    if (error) {
        std::fprintf(stderr, "zorbin-bench: %s: %s\n", args[1].c_str(), error.message().c_str());
        return 1;
    }
    CDriveScanner scanner;
    ScanColumns record;
    if (args[0] == "files") {
        // The seven cells of a Files row: Path, Name, Ext, Length, Created, Modified, Accessed.
        CTextColumn path, name, ext, length, created, modified, accessed;
        record.pFilePath = &path;
        record.pFileName = &name;
        record.pFileExt = &ext;
        record.pFileLength = &length;
        record.pFileCreated = &created;
        record.pFileModified = &modified;
        record.pFileAccessed = &accessed;
        scanner.ScanFolder(dir, &record);
        WriteRows({&path, &name, &ext, &length, &created, &modified, &accessed});
    } else {
        // A Directories row has cells in Path, Name and Created only.
        CTextColumn path, name, created;
        record.pDirPath = &path;
        record.pDirName = &name;
        record.pDirCreated = &created;
        scanner.ScanFolder(dir, &record);
        WriteRows({&path, &name, &created});
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}

const bool registered = RegisterBenchCommand({"scan", "scan DIR", &RunScan}) &&
                        RegisterBenchCommand({"count", "count DIR", &RunCount}) &&
                        RegisterBenchCommand({"dump", "dump files|dirs DIR", &RunDump});

}  // namespace
