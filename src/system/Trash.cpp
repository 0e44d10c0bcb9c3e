#include "system/Trash.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <climits>

// The freedesktop trash layout, written here rather than through QFile::moveToTrash: Qt 6.4
// reports success when the data folder is missing and moves the entry into files/ below the
// process's current directory. The trash folders are made (mode 0700) before anything moves, and
// every entry moves by a rename relative to the folder it was reached through.

namespace {

// $XDG_DATA_HOME when it is absolute (a relative one is to be ignored), else ~/.local/share.
std::string DataHome() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && xdg[0] == '/') return xdg;
    std::string home;
    if (const char* env = std::getenv("HOME"); env && env[0] == '/') {
        home = env;
    } else if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir && pw->pw_dir[0] == '/') {
        home = pw->pw_dir;
    } else {
        return {};
    }
    return home + "/.local/share";
}

// Makes the folder and any missing parent, each new one with mode 0700. Empty text on success.
std::string MakeFolders(const std::string& path) {
    struct stat st;
    if (stat(path.c_str(), &st) == 0) {
        return S_ISDIR(st.st_mode) ? std::string() : path + " is not a folder";
    }
    if (errno != ENOENT) return path + ": " + ErrnoText(errno);
    const auto slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0) {
        std::string parent = MakeFolders(path.substr(0, slash));
        if (!parent.empty()) return parent;
    }
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return path + ": " + ErrnoText(errno);
    return {};
}

// Percent-encodes a path for the Path= line: every byte but the unreserved ones and '/'.
std::string EncodePath(const std::string& path) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(path.size() * 3 / 2);
    for (unsigned char c : path) {
        const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                          std::strchr("-_.!~*'()/", c) != nullptr;
        if (keep && c != '\0') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::string DeletionDate() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    char text[32] = "";
    if (localtime_r(&now, &local)) std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

bool WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}


// Where a folder lies: its device and, where the kernel tells, its mount. A rename works only
// within one mount, so an entry goes to the trash of its own mount.
struct Place {
    std::uint64_t nDevice = 0;
    std::uint64_t nMountId = 0;
    bool bHasMountId = false;
    FileId id;
};

bool GetPlace(int dirFd, const char* path, int flags, Place& place) {
    struct statx stx;
    if (statx(dirFd, path, flags | AT_NO_AUTOMOUNT, STATX_INO | STATX_MNT_ID, &stx) != 0) return false;
    place.nDevice = makedev(stx.stx_dev_major, stx.stx_dev_minor);
    place.bHasMountId = (stx.stx_mask & STATX_MNT_ID) != 0;
    place.nMountId = stx.stx_mnt_id;
    place.id = {place.nDevice, stx.stx_ino};
    return true;
}

bool SamePlace(const Place& place, const EntryStatus& entry) {
    if (place.nDevice != entry.nDevice) return false;
    return !place.bHasMountId || !entry.bHasMountId || place.nMountId == entry.nMountId;
}

// Opens (O_PATH) the folder name below dirFd, made with mode 0700 where missing; a link is not
// followed, and a folder of another user is not taken. -1 with errno when it cannot be had.
int OpenOwnFolder(int dirFd, const char* name) {
    if (mkdirat(dirFd, name, 0700) != 0 && errno != EEXIST) return -1;
    const int fd = openat(dirFd, name, O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st;
    if (fstat(fd, &st) != 0 || st.st_uid != getuid()) {
        close(fd);
        errno = EACCES;
        return -1;
    }
    return fd;
}

// The name the entry gets in the trash: name.trashinfo must fit NAME_MAX (255 bytes), so a name of
// 246 bytes or more is shortened, never inside a UTF-8 sequence, keeping its extension where that
// leaves room. The n-th try after a clash adds ".n".
std::string TrashName(const std::string& name, int n) {
    constexpr std::size_t kMaxName = NAME_MAX - (sizeof ".trashinfo" - 1);
    const std::string suffix = n == 1 ? std::string() : "." + std::to_string(n);
    if (name.size() + suffix.size() <= kMaxName) return name + suffix;
    const std::size_t dot = name.rfind('.');
    const std::size_t extSize = dot != std::string::npos && dot > 0 && name.size() - dot <= 64 ? name.size() - dot : 0;
    std::size_t keep = kMaxName - suffix.size() - extSize;
    while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80) --keep;
    return name.substr(0, keep) + suffix + name.substr(name.size() - extSize);
}

// rename(2) relative to both folders that never replaces an entry already in the trash.
int RenameNoReplace(int fromDir, const char* from, int toDir, const char* to) {
    if (renameat2(fromDir, from, toDir, to, RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return -1;
    // A file system without RENAME_NOREPLACE: the name was checked free just before.
    struct stat st;
    if (fstatat(toDir, to, &st, AT_SYMLINK_NOFOLLOW) == 0) {
        errno = EEXIST;
        return -1;
    }
    return renameat(fromDir, from, toDir, to);
}

}  // namespace

// One trash: its folders held open, and where it lies.
struct CTrash::Bin {
    int top = -1, files = -1, info = -1;
    Place place;
    std::string topdir;  // the mount's top for a volume's trash, whose records hold relative paths
    std::string error;   // why it cannot be had
    ~Bin() {
        for (int fd : {top, files, info})
            if (fd >= 0) close(fd);
    }
};

CTrash::CTrash() {
    const std::string dataHome = DataHome();
    if (!dataHome.empty()) m_homeTrash = dataHome + "/Trash";
}

CTrash::~CTrash() = default;

void CTrash::Guard(int topFd) {
    Place place;
    if (GetPlace(topFd, "", AT_EMPTY_PATH, place)) m_trashFolders.push_back(place.id);
    for (const char* folder : {"files", "info"})
        if (GetPlace(topFd, folder, AT_SYMLINK_NOFOLLOW, place)) m_trashFolders.push_back(place.id);
    // Every folder above the top, to "/", whose ".." is itself.
    int fd = openat(topFd, "..", O_PATH | O_DIRECTORY | O_CLOEXEC);
    FileId last;
    while (fd >= 0 && GetPlace(fd, "", AT_EMPTY_PATH, place) && !(place.id == last)) {
        m_holders.push_back(place.id);
        last = place.id;
        const int up = openat(fd, "..", O_PATH | O_DIRECTORY | O_CLOEXEC);
        close(fd);
        fd = up;
    }
    if (fd >= 0) close(fd);
}

CTrash::Bin* CTrash::HomeBin(const EntryStatus& entry) {
    if (!m_home) {
        m_home = std::make_unique<Bin>();
        Bin& bin = *m_home;
        if (m_homeTrash.empty()) return nullptr;  // no home folder: every entry goes to its volume's trash
        for (const char* folder : {"/files", "/info"}) {
            const std::string error = MakeFolders(m_homeTrash + folder);
            if (!error.empty() && bin.error.empty()) bin.error = "the trash cannot be made: " + error;
        }
        if (bin.error.empty()) {
            bin.top = open(m_homeTrash.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
            bin.files = bin.top < 0 ? -1 : openat(bin.top, "files", O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            bin.info = bin.top < 0 ? -1 : openat(bin.top, "info", O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (bin.files < 0 || bin.info < 0) bin.error = "the trash cannot be read: " + ErrnoText(errno);
        }
        if (bin.top >= 0) Guard(bin.top);
        // Where it lies: its files/ folder, or else the nearest folder above it that exists.
        bool bPlaced = bin.files >= 0 && GetPlace(bin.files, "", AT_EMPTY_PATH, bin.place);
        for (std::string above = m_homeTrash; !bPlaced;) {
            bPlaced = GetPlace(AT_FDCWD, above.c_str(), 0, bin.place);
            if (above.size() <= 1) break;
            above.resize(std::max<std::size_t>(above.find_last_of('/'), 1));
        }
        if (!bPlaced) bin.place.nDevice = ~std::uint64_t{0};  // nowhere: no entry goes there
    }
    return m_homeTrash.empty() || !SamePlace(m_home->place, entry) ? nullptr : m_home.get();
}

CTrash::Bin* CTrash::VolumeBin(const CEntryAt& entry) {
    const EntryStatus& status = entry.Status();
    std::unique_ptr<Bin>& slot = m_volumes[status.bHasMountId ? status.nMountId : status.nDevice];
    if (slot) return slot.get();
    slot = std::make_unique<Bin>();
    Bin& bin = *slot;

    // The top of the entry's mount: up by ".." from the entry's folder while the mount stays.
    int topFd = openat(entry.FolderFd(), ".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    std::size_t levels = 0;
    Place here;
    if (topFd < 0 || !GetPlace(topFd, "", AT_EMPTY_PATH, here)) {
        bin.error = "its file system cannot be read: " + ErrnoText(errno);
        if (topFd >= 0) close(topFd);
        return &bin;
    }
    for (;;) {
        const int up = openat(topFd, "..", O_PATH | O_DIRECTORY | O_CLOEXEC);
        Place above;
        if (up < 0 || !GetPlace(up, "", AT_EMPTY_PATH, above) || above.id == here.id || !SamePlace(above, status)) {
            if (up >= 0) close(up);
            break;
        }
        close(topFd);
        topFd = up;
        here = above;
        ++levels;
    }
    // Its path: the entry's real path without the entry's name and the folders climbed.
    std::string topdir = entry.Path();
    for (std::size_t i = 0; i <= levels; ++i) topdir.resize(std::max<std::size_t>(topdir.find_last_of('/'), 1));
    bin.topdir = topdir;

    // $topdir/.Trash/$uid where .Trash is a folder (not a link) with the sticky bit, which keeps
    // users from taking each other's folders; else $topdir/.Trash-$uid.
    const std::string uid = std::to_string(getuid());
    struct stat st;
    if (fstatat(topFd, ".Trash", &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX)) {
        const int shared = openat(topFd, ".Trash", O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (shared >= 0) {
            bin.top = OpenOwnFolder(shared, uid.c_str());
            close(shared);
        }
    }
    if (bin.top < 0) bin.top = OpenOwnFolder(topFd, (".Trash-" + uid).c_str());
    close(topFd);
    if (bin.top >= 0) {
        bin.files = OpenOwnFolder(bin.top, "files");
        bin.info = bin.files < 0 ? -1 : OpenOwnFolder(bin.top, "info");
    }
    const std::string noTrash = "no trash can be had on its file system (" + topdir + "): ";
    if (bin.info < 0)
        bin.error = noTrash + ErrnoText(errno);
    else if (!GetPlace(bin.files, "", AT_EMPTY_PATH, bin.place) || !SamePlace(bin.place, status))
        bin.error = noTrash + "its trash lies on another mount";
    if (bin.top >= 0) Guard(bin.top);
    return &bin;
}

std::string CTrash::Refusal(const CEntryAt& entry) const {
    auto among = [](const std::vector<FileId>& ids, const FileId& id) {
        return std::find(ids.begin(), ids.end(), id) != ids.end();
    };
    if (among(m_trashFolders, entry.Id())) return "it is a folder of the trash";
    for (const FileId& folder : entry.Folders())
        if (among(m_trashFolders, folder)) return "it lies inside the trash";
    if (among(m_holders, entry.Id())) return "it holds the trash";
    return {};
}

std::string CTrash::Move(const CEntryAt& entry) {
    const EntryStatus& status = entry.Status();
    if (!entry.Folders().empty() && entry.Folders().back().nDevice != status.nDevice)
        return "it is the top of a mounted file system";
    Bin* bin = HomeBin(status);
    if (!bin) bin = VolumeBin(entry);
    if (!bin->error.empty()) return bin->error;
    std::string refusal = Refusal(entry);
    if (!refusal.empty()) return refusal;

    // The home trash records the whole path; a volume's trash the path below its top, so the
    // volume can be mounted elsewhere and still restore.
    std::string path = entry.Path();
    if (!bin->topdir.empty()) {
        const std::size_t cut = bin->topdir.size() == 1 ? 1 : bin->topdir.size() + 1;
        if (path.compare(0, bin->topdir.size(), bin->topdir) != 0 || path.size() <= cut)
            return "its path does not lie below its file system's top " + bin->topdir;
        path.erase(0, cut);
    }
    const std::string record = "[Trash Info]\nPath=" + EncodePath(path) + "\nDeletionDate=" + DeletionDate() + "\n";
    // The record is made first and exclusively: it reserves the name against other programs.
    for (int n = 1; n < 100000; ++n) {
        const std::string trashName = TrashName(entry.Name(), n);
        const std::string infoName = trashName + ".trashinfo";
        struct stat st;
        if (fstatat(bin->files, trashName.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) continue;
        const int fd = openat(bin->info, infoName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return "the trash record cannot be written: " + ErrnoText(errno);
        }
        const bool written = WriteAll(fd, record);
        const int writeError = errno;
        if (close(fd) != 0 || !written) {
            unlinkat(bin->info, infoName.c_str(), 0);
            return "the trash record cannot be written: " + ErrnoText(written ? errno : writeError);
        }
        if (RenameNoReplace(entry.FolderFd(), entry.Name().c_str(), bin->files, trashName.c_str()) == 0) return {};
        const int error = errno;
        unlinkat(bin->info, infoName.c_str(), 0);
        if (error == EEXIST) continue;
        if (error == EXDEV) return "on another file system than its trash";
        return ErrnoText(error);
    }
    return "no free name in the trash";
}

std::string MoveToTrash(const std::string& path) {
    if (path.empty() || path[0] != '/') return "not an absolute path";
    CEntryAt entry;
    std::string reason = entry.Open("/", path);
    if (!reason.empty()) return reason;
    CTrash trash;
    return trash.Move(entry);
}
