#include "system/EntryStatus.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

bool GetEntryStatus(int dirFd, const std::string& name, EntryStatus& status, std::string& reason) {
    struct statx stx;
    const int flags = AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT | (name.empty() ? AT_EMPTY_PATH : 0);
    if (statx(dirFd, name.c_str(), flags,
              STATX_TYPE | STATX_INO | STATX_SIZE | STATX_MTIME | STATX_BTIME | STATX_MNT_ID, &stx) != 0) {
        reason = ErrnoText(errno);
        return false;
    }
    status.bDir = S_ISDIR(stx.stx_mode);
    status.nLength = stx.stx_size;
    status.nModified = stx.stx_mtime.tv_sec;
    status.bHasBirth = (stx.stx_mask & STATX_BTIME) != 0;
    status.nBirth = status.bHasBirth ? stx.stx_btime.tv_sec : 0;
    status.nDevice = makedev(stx.stx_dev_major, stx.stx_dev_minor);
    status.nInode = stx.stx_ino;
    status.bHasMountId = (stx.stx_mask & STATX_MNT_ID) != 0;
    status.nMountId = status.bHasMountId ? stx.stx_mnt_id : 0;
    return true;
}

std::string ErrnoText(int error) {
    char buffer[256];
    // The GNU strerror_r returns the text, which need not be in the buffer.
    return strerror_r(error, buffer, sizeof buffer);
}
