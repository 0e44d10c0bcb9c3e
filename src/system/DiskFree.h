#pragma once
#include <cstdint>

// Space of a drive, in the shape of the runtime's record but 64 bits wide, so large file systems
// do not wrap: total = total_clusters * sectors_per_cluster * bytes_per_sector.
struct DiskFreeInfo {
    std::uint64_t total_clusters = 0;
    std::uint64_t avail_clusters = 0;
    std::uint64_t sectors_per_cluster = 0;
    std::uint64_t bytes_per_sector = 0;
};
// drive: 1 for A:, 2 for B: ... Returns 0 on success, anything else on failure.
unsigned GetDiskFree(unsigned drive, DiskFreeInfo* diskspace);
