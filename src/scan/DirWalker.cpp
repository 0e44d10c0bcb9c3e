#include "scan/DirWalker.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>

#ifndef STATX_ATTR_MOUNT_ROOT
#define STATX_ATTR_MOUNT_ROOT 0x00002000
#endif

namespace {

// The record getdents64 writes; the walk keeps these raw records, no copy per name.
struct LinuxDirent64 {
    std::uint64_t d_ino;
    std::int64_t d_off;
    unsigned short d_reclen;
    unsigned char d_type;
    char d_name[1];
};

// One getdents64 call gets at least this much room: a directory of a few hundred entries is read
// in one call, and a large one in few.
constexpr std::size_t kReadChunk = 64 * 1024;

constexpr unsigned kStatusMask =
    STATX_TYPE | STATX_MODE | STATX_INO | STATX_SIZE | STATX_ATIME | STATX_MTIME | STATX_BTIME;
constexpr unsigned kTypeMask = STATX_TYPE | STATX_MODE | STATX_INO;
constexpr int kStatFlags = AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT;
constexpr int kOpenDirFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// Never destroyed: a count may still be walking while the process runs its exit handlers.
CDirWalker::ListingHook& Hook() {
    static auto* hook = new CDirWalker::ListingHook;
    return *hook;
}

std::uint64_t DevOf(const struct statx& st) { return makedev(st.stx_dev_major, st.stx_dev_minor); }

bool IsDots(const char* name) { return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')); }

bool SameDir(int fd, std::uint64_t dev, std::uint64_t ino) {
    struct stat st;
    return fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) && st.st_dev == dev && st.st_ino == ino;
}

}  // namespace

struct CDirWalker::Level {
    int fd = -1;  // -1 while outside the window of open levels
    std::uint64_t dev = 0;
    std::uint64_t ino = 0;
    std::size_t pathLen = 0;                             // length of the directory's path with its trailing '/'
    std::size_t listBegin = 0, listEnd = 0, cursor = 0;  // offsets into m_pList
    std::size_t statBegin = 0, statCursor = 0;           // indices into m_status
};

// What the walk keeps of one entry's statx.
struct CDirWalker::Status {
    int error = 0;  // errno of statx, 0 when the fields below hold
    bool bDir = false;
    bool bBirth = false;
    bool bMountRoot = false;
    std::uint64_t dev = 0, ino = 0, size = 0;
    std::int64_t mtime = 0, atime = 0, btime = 0;
};

namespace {

void ReadOne(int dirFd, const char* name, unsigned mask, CDirWalker::Status& out) {
    struct statx st;
    if (statx(dirFd, name, kStatFlags, mask, &st) != 0) {
        out.error = errno ? errno : EIO;
        return;
    }
    out.error = 0;
    out.bDir = S_ISDIR(st.stx_mode);
    out.dev = DevOf(st);
    out.ino = st.stx_ino;
    out.size = st.stx_size;
    out.mtime = st.stx_mtime.tv_sec;
    out.atime = st.stx_atime.tv_sec;
    out.bBirth = (st.stx_mask & STATX_BTIME) != 0;
    out.btime = out.bBirth ? st.stx_btime.tv_sec : 0;
    out.bMountRoot = (st.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) && (st.stx_attributes & STATX_ATTR_MOUNT_ROOT);
}

}  // namespace

CDirWalker::ListingHook CDirWalker::SetListingHook(ListingHook hook) {
    ListingHook previous = std::move(Hook());
    Hook() = std::move(hook);
    return previous;
}

CDirWalker::CDirWalker(Mode mode) : m_mode(mode) {}

CDirWalker::~CDirWalker() {
    CloseAll();
    std::free(m_pList);
}

void CDirWalker::CloseAll() {
    for (Level& level : m_levels)
        if (level.fd >= 0) close(level.fd);
    m_levels.clear();
    m_status.clear();
    m_nListUsed = 0;
}

bool CDirWalker::ReadListing(std::size_t index) {
    Level& level = m_levels[index];
    level.listBegin = level.listEnd = level.cursor = m_nListUsed;
    for (;;) {
        if (m_nListCapacity - m_nListUsed < kReadChunk) {
            const std::size_t capacity = std::max(m_nListCapacity * 2, m_nListUsed + kReadChunk);
            void* p = std::realloc(m_pList, capacity);
            if (!p) throw std::bad_alloc();
            m_pList = static_cast<char*>(p);
            m_nListCapacity = capacity;
        }
        const ssize_t n = getdents64(level.fd, m_pList + m_nListUsed, m_nListCapacity - m_nListUsed);
        if (n < 0) {
            if (errno == EINTR) continue;
            m_nListUsed = level.listBegin;  // a listing cut short adds nothing
            return false;
        }
        if (n == 0) break;
        m_nListUsed += static_cast<std::size_t>(n);
    }
    if (Hook() && !Hook()(std::string_view(m_path.data(), level.pathLen > 1 ? level.pathLen - 1 : 1))) {
        m_nListUsed = level.listBegin;
        errno = EACCES;  // as a listing the user may not read
        return false;
    }
    level.listEnd = m_nListUsed;
    return true;
}

bool CDirWalker::NeedsStatus(unsigned char type) const {
    return m_mode == Mode::Status || type == DT_DIR || type == DT_UNKNOWN;
}

void CDirWalker::ReadStatus(std::size_t index) {
    Level& level = m_levels[index];
    level.statBegin = level.statCursor = m_status.size();
    m_toRead.clear();
    for (std::size_t at = level.listBegin; at < level.listEnd;) {
        const auto* record = reinterpret_cast<const LinuxDirent64*>(m_pList + at);
        if (!IsDots(record->d_name) && NeedsStatus(record->d_type))
            m_toRead.push_back(at + offsetof(LinuxDirent64, d_name));
        at += record->d_reclen;
    }
    const std::size_t n = m_toRead.size();
    m_status.resize(level.statBegin + n);
    Status* out = m_status.data() + level.statBegin;
    const unsigned mask = m_mode == Mode::TypesOnly ? kTypeMask : kStatusMask;
    for (std::size_t i = 0; i < n; ++i) ReadOne(level.fd, m_pList + m_toRead[i], mask, out[i]);
}

bool CDirWalker::Walk(const std::string& folder, Visit visit, void* context, const DirId* expect) {
    CloseAll();
    m_frontier.clear();
    m_nHanded = 0;
    m_nUnlisted = 0;
    m_nFolderError = 0;
    if (folder.empty()) return false;
    m_path.clear();
    if (folder[0] != '/') {
        char cwd[PATH_MAX];
        if (!getcwd(cwd, sizeof cwd)) return false;
        m_path = cwd;
        if (m_path.back() != '/') m_path += '/';
    }
    m_path += folder;
    // "/tmp/t/" and "/tmp/t" name the same folder: keep one slash at the end.
    while (m_path.size() > 1 && m_path.back() == '/' && m_path[m_path.size() - 2] == '/') m_path.pop_back();
    if (m_path.back() != '/') m_path += '/';

    const int fd = open(m_path.c_str(), expect ? kOpenDirFlags : O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        m_nFolderError = errno;
        return false;
    }
    struct stat rootStat;
    if (fstat(fd, &rootStat) != 0 || (expect && (rootStat.st_dev != expect->dev || rootStat.st_ino != expect->ino))) {
        close(fd);
        return false;
    }
    m_nRootDev = rootStat.st_dev;
    m_levels.push_back(Level{fd, rootStat.st_dev, rootStat.st_ino, m_path.size()});
    if (!ReadListing(0)) {
        m_nFolderError = errno;
        CloseAll();
        return false;
    }
    ReadStatus(0);

    Entry entry;
    while (!m_levels.empty()) {
        Level& level = m_levels.back();
        if (level.cursor >= level.listEnd) {
            Pop();
            continue;
        }
        const auto* record = reinterpret_cast<const LinuxDirent64*>(m_pList + level.cursor);
        level.cursor += record->d_reclen;
        const char* name = record->d_name;
        if (IsDots(name)) continue;
        const std::size_t nameLen = std::strlen(name);
        const unsigned char type = record->d_type;

        entry = Entry{};
        entry.name = std::string_view(name, nameLen);
        const Status* st = nullptr;  // the entry's status, where it was read and could be
        if (NeedsStatus(type)) {
            const Status& status = m_status[level.statCursor++];
            if (status.error == ENOENT) continue;  // gone since it was listed
            if (status.error == 0) st = &status;
        }
        entry.bDir = st ? st->bDir : type == DT_DIR;
        if (st && m_mode != Mode::TypesOnly) {
            entry.bHasStatus = true;
            entry.nLength = st->size;
            entry.nModified = st->mtime;
            entry.nAccessed = st->atime;
            entry.bHasBirth = st->bBirth;
            entry.nBirth = st->btime;
        }
        if (m_mode == Mode::Status || entry.bDir) {
            m_path.resize(level.pathLen);
            m_path.append(name, nameLen);
            entry.path = m_path;
        }
        visit(context, entry);
        ++m_nHanded;
        if (entry.bDir && !st) ++m_nUnlisted;  // its status could not be read: it cannot be entered

        // A directory is entered only when it lies on the walk's own file system and is not a
        // mount point of that same file system mounted again (a bind mount could close a cycle).
        if (entry.bDir && st && st->dev == m_nRootDev && !st->bMountRoot) {
            const std::uint64_t dev = st->dev, ino = st->ino;  // m_status grows in Descend
            if (m_nDepthLimit != 0 && m_levels.size() >= m_nDepthLimit)
                m_frontier.push_back({std::string(entry.path), dev, ino, m_nHanded});
            else
                Descend(name, dev, ino);
        }
    }
    m_status.clear();
    return true;
}

void CDirWalker::Descend(const char* name, std::uint64_t dev, std::uint64_t ino) {
    const std::size_t parent = m_levels.size() - 1;
    // m_path holds the directory's path; name is the NUL-terminated name in the parent's listing.
    const int fd = openat(m_levels[parent].fd, name, kOpenDirFlags);
    if (fd < 0) {
        if (errno != ENOENT) ++m_nUnlisted;  // gone since it was listed: nothing was there to list
        return;
    }
    if (!SameDir(fd, dev, ino)) {  // replaced since its status was read
        close(fd);
        return;
    }
    m_path += '/';
    m_levels.push_back(Level{fd, dev, ino, m_path.size()});
    if (!ReadListing(parent + 1)) {
        ++m_nUnlisted;
        close(fd);
        m_levels.pop_back();
        return;
    }
    ReadStatus(parent + 1);
    if (m_levels.size() > kOpenLevels) {
        Level& old = m_levels[m_levels.size() - 1 - kOpenLevels];
        if (old.fd >= 0) {
            close(old.fd);
            old.fd = -1;
        }
    }
}

void CDirWalker::Pop() {
    const Level child = m_levels.back();
    m_levels.pop_back();
    m_nListUsed = child.listBegin;
    m_status.resize(child.statBegin);
    if (!m_levels.empty()) {
        Level& parent = m_levels.back();
        if (parent.fd < 0) {
            parent.fd = Reopen(child.fd, m_levels.size() - 1);
            if (parent.fd < 0) parent.cursor = parent.listEnd;  // lost: the tree moved under the walk
        }
    }
    if (child.fd >= 0) close(child.fd);
}

int CDirWalker::Reopen(int childFd, std::size_t index) {
    const Level& level = m_levels[index];
    if (childFd >= 0) {
        const int fd = openat(childFd, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0) {
            if (SameDir(fd, level.dev, level.ino)) return fd;
            close(fd);
        }
    }
    // The child was moved elsewhere: try the level's own path, where it is short enough.
    if (level.pathLen < PATH_MAX) {
        const std::string path(m_path.data(), level.pathLen);
        const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0) {
            if (SameDir(fd, level.dev, level.ino)) return fd;
            close(fd);
        }
    }
    return -1;
}
