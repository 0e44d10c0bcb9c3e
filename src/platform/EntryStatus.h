#pragma once
#include <cstdint>
#include <string>

// What the file system says of one entry itself (a link is not followed), in the terms the scan
// shows it: length and times in seconds since the epoch.
struct EntryStatus {
    bool bDir = false;
    bool bHasBirth = false;
    std::uint64_t nLength = 0;
    std::int64_t nModified = 0;
    std::int64_t nBirth = 0;
};

// Reads the entry's status. On failure returns false with the reason.
bool GetEntryStatus(const std::string& path, EntryStatus& status, std::string& reason);
