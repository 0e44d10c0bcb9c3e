#include "platform/EntryStatus.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

bool GetEntryStatus(const std::string& path, EntryStatus& status, std::string& reason) {
    struct statx stx;
    if (statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT,
              STATX_TYPE | STATX_SIZE | STATX_MTIME | STATX_BTIME, &stx) != 0) {
        char buffer[256];
        reason = strerror_r(errno, buffer, sizeof buffer);
        return false;
    }
    status.bDir = S_ISDIR(stx.stx_mode);
    status.nLength = stx.stx_size;
    status.nModified = stx.stx_mtime.tv_sec;
    status.bHasBirth = (stx.stx_mask & STATX_BTIME) != 0;
    status.nBirth = status.bHasBirth ? stx.stx_btime.tv_sec : 0;
    return true;
}
