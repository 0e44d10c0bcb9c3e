#include "system/DiskFree.h"

#include "system/DriveMap.h"

#include <sys/statvfs.h>

unsigned GetDiskFree(unsigned drive, DiskFreeInfo* diskspace) {
    if (!diskspace || drive < 1 || drive > 26) return 1;
    const std::string folder = DriveRootFolder(static_cast<char>('A' + drive - 1));
    struct statvfs fs;
    if (folder.empty() || statvfs(folder.c_str(), &fs) != 0) return 1;
    // One "cluster" is one fragment, so total and available come out as f_blocks * f_frsize and
    // f_bavail * f_frsize (what an unprivileged user may still write), in 64 bits.
    diskspace->total_clusters = fs.f_blocks;
    diskspace->avail_clusters = fs.f_bavail;
    diskspace->sectors_per_cluster = 1;
    diskspace->bytes_per_sector = fs.f_frsize;
    return 0;
}
