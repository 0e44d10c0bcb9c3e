#pragma once
#include <cstdint>
#include <string>

// What the file system says of one entry itself (a link is not followed), in the terms the scan
// shows it: length and times in seconds since the epoch; and where it lies: device, inode and the
// mount it belongs to (bHasMountId false on kernels before 5.8, which do not tell).
struct EntryStatus {
    bool bDir = false;
    bool bHasBirth = false;
    bool bHasMountId = false;
    std::uint64_t nLength = 0;
    std::int64_t nModified = 0;
    std::int64_t nBirth = 0;
    std::uint64_t nDevice = 0;
    std::uint64_t nInode = 0;
    std::uint64_t nMountId = 0;
};

// Reads the status of the entry name in the folder dirFd (AT_FDCWD: name is a path; an empty name:
// the folder dirFd itself). On failure returns false with the reason.
bool GetEntryStatus(int dirFd, const std::string& name, EntryStatus& status, std::string& reason);

// The system's text for an errno value, such as "Permission denied": the reason a failure list shows.
std::string ErrnoText(int error);
