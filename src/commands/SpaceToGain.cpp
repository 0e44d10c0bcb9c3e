#include "commands/SpaceToGain.h"

#include <algorithm>
#include <string>
#include <tuple>

CSpaceToGain::Figures CSpaceToGain::Count(std::vector<File> files) {
    // Sorted by run and identity, each run is one stretch and the links of an inode neighbours.
    std::sort(files.begin(), files.end(), [](const File& a, const File& b) {
        return std::tie(a.run, a.bIdentity, a.device, a.inode) < std::tie(b.run, b.bIdentity, b.device, b.inode);
    });
    Figures figures;
    figures.files = static_cast<std::int64_t>(files.size());
    for (std::size_t i = 0; i < files.size();) {
        std::size_t end = i;
        std::uint64_t copies = 0;  // distinct inodes of the run
        std::uint64_t largest = 0;
        std::uint64_t sum = 0;
        for (; end < files.size() && files[end].run == files[i].run; ++end) {
            const File& file = files[end];
            const bool bLink = end > i && file.bIdentity && files[end - 1].bIdentity &&
                               file.device == files[end - 1].device && file.inode == files[end - 1].inode;
            if (bLink) continue;
            ++copies;
            sum += file.length;
            largest = std::max(largest, file.length);
        }
        // One copy of each run stays; the largest, should the lengths of a run ever differ.
        if (copies > 0) figures.bytes += sum - largest;
        ++figures.runs;
        i = end;
    }
    return figures;
}

std::string CSpaceToGain::Text(const Figures& figures) {
    const auto count = [](unsigned long long n, const char* one, const char* many) {
        return std::to_string(n) + (n == 1 ? one : many);
    };
    return " " + count(static_cast<unsigned long long>(figures.runs), " run, ", " runs, ") +
           count(static_cast<unsigned long long>(figures.files), " file, ", " files, ") +
           count(figures.bytes, " byte to gain", " bytes to gain");
}
