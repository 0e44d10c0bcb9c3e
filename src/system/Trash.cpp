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
#include <dirent.h>
#include <string_view>
#include <utility>

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
int OpenOwnFolder(int dirFd, const char* name, std::vector<std::pair<int, std::string>>& made) {
    if (mkdirat(dirFd, name, 0700) == 0)
        made.emplace_back(dirFd, name);
    else if (errno != EEXIST)
        return -1;
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

// True when the bytes are well-formed UTF-8 (no overlong form, surrogate or value past U+10FFFF).
bool IsUtf8(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const std::size_t n = c < 0x80                 ? 1
                              : c >= 0xC2 && c <= 0xDF ? 2
                              : c >= 0xE0 && c <= 0xEF ? 3
                              : c >= 0xF0 && c <= 0xF4 ? 4
                                                       : 0;
        if (n == 0 || i + n > text.size()) return false;
        for (std::size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        const unsigned char second = n > 1 ? static_cast<unsigned char>(text[i + 1]) : 0x80;
        if ((c == 0xE0 && second < 0xA0) || (c == 0xED && second > 0x9F) || (c == 0xF0 && second < 0x90) ||
            (c == 0xF4 && second > 0x8F))
            return false;
        i += n;
    }
    return true;
}

// The name the entry gets in the trash: name.trashinfo must fit NAME_MAX (255 bytes), so a name of
// 246 bytes or more is shortened, keeping its extension where that leaves room: a UTF-8 name never
// inside a sequence, any other name at any byte (backing off over bytes 0x80 to 0xBF of a name that
// is no UTF-8 could leave nothing). The n-th try after a clash adds ".n".
std::string TrashName(const std::string& name, int n) {
    constexpr std::size_t kMaxName = NAME_MAX - (sizeof ".trashinfo" - 1);
    const std::string suffix = n == 1 ? std::string() : "." + std::to_string(n);
    if (name.size() + suffix.size() <= kMaxName) return name + suffix;
    const std::size_t dot = name.rfind('.');
    const std::size_t extSize = dot != std::string::npos && dot > 0 && name.size() - dot <= 64 ? name.size() - dot : 0;
    std::size_t keep = kMaxName - suffix.size() - extSize;
    if (IsUtf8(name))
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

FileId IdOf(const struct stat& st) { return {st.st_dev, st.st_ino}; }

}  // namespace

// One trash: its folders held open once made, and where it lies.
struct CTrash::Bin {
    int top = -1, files = -1, info = -1;
    int mountTop = -1;   // a volume's: the top of its mount, where its trash is made
    bool bMade = false;  // files/ and info/ are open
    Place place;
    std::string topdir;  // the mount's top for a volume's trash, whose records hold relative paths
    std::string error;   // why it cannot be had
    ~Bin() {
        for (int fd : {top, files, info, mountTop})
            if (fd >= 0) close(fd);
    }
};

CTrash::CTrash() {
    const std::string dataHome = DataHome();
    if (!dataHome.empty()) m_homeTrash = dataHome + "/Trash";
}

CTrash::~CTrash() = default;

void CTrash::GuardTrash(int trashFd) {
    Place place;
    if (GetPlace(trashFd, "", AT_EMPTY_PATH, place)) m_trashFolders.push_back(place.id);
    for (const char* folder : {"files", "info"})
        if (GetPlace(trashFd, folder, AT_SYMLINK_NOFOLLOW, place)) m_trashFolders.push_back(place.id);
}

void CTrash::GuardHolders(int folderFd) {
    // Every folder from this one up to "/", whose ".." is itself.
    int fd = openat(folderFd, ".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    Place place;
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

void CTrash::GuardMountTop(int topFd) {
    GuardHolders(topFd);
    // .Trash and its folder of each user, .Trash-$uid of each user: any of them may hold records,
    // whoever runs the Delete (root reaches them all).
    const int listFd = openat(topFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = listFd < 0 ? nullptr : fdopendir(listFd);
    if (!dir) {
        if (listFd >= 0) close(listFd);
        // Unlisted, the names this user's trash would take are guarded at least.
        const int own = openat(topFd, (".Trash-" + std::to_string(getuid())).c_str(),
                               O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (own >= 0) GuardTrash(own), close(own);
        return;
    }
    while (const dirent* item = readdir(dir)) {
        const std::string_view name = item->d_name;
        if (name != ".Trash" && name.rfind(".Trash-", 0) != 0) continue;
        const int trashFd = openat(topFd, item->d_name, O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (trashFd < 0) continue;  // not a folder, or a link: no trash
        GuardTrash(trashFd);
        if (name == ".Trash") {
            const int usersFd = openat(trashFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (DIR* users = usersFd < 0 ? nullptr : fdopendir(usersFd)) {
                while (const dirent* user = readdir(users)) {
                    if (std::strcmp(user->d_name, ".") == 0 || std::strcmp(user->d_name, "..") == 0) continue;
                    const int userFd = openat(trashFd, user->d_name, O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
                    if (userFd >= 0) GuardTrash(userFd), close(userFd);
                }
                closedir(users);
            } else if (usersFd >= 0) {
                close(usersFd);
            }
        }
        close(trashFd);
    }
    closedir(dir);
}

void CTrash::GuardLinks(const std::string& path) {
    // The path resolved a name at a time, as the kernel would: a link met is noted with the folder
    // that holds it, and its target takes the place of its name. 40 links at most, as in the kernel.
    std::vector<std::string> rest;  // the names still to resolve, the next one last
    auto push = [&rest](const std::string& text) {
        std::vector<std::string> names;
        for (std::size_t pos = 0; pos <= text.size();) {
            std::size_t end = text.find('/', pos);
            if (end == std::string::npos) end = text.size();
            if (end > pos) names.push_back(text.substr(pos, end - pos));
            pos = end + 1;
        }
        rest.insert(rest.end(), names.rbegin(), names.rend());
    };
    push(path);
    std::string done;  // resolved so far, without links; "" for "/"
    for (int links = 0; !rest.empty() && links <= 40;) {
        const std::string name = std::move(rest.back());
        rest.pop_back();
        if (name == ".") continue;
        if (name == "..") {
            done.resize(done.empty() ? 0 : done.find_last_of('/'));
            continue;
        }
        std::string next = done;
        next += '/';
        next += name;
        struct stat st;
        if (lstat(next.c_str(), &st) != 0) return;  // what is missing holds no link
        if (!S_ISLNK(st.st_mode)) {
            done = next;
            continue;
        }
        m_links.push_back(IdOf(st));
        const int holder = open(done.empty() ? "/" : done.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (holder >= 0) GuardHolders(holder), close(holder);
        std::string target(PATH_MAX, '\0');
        const ssize_t n = readlink(next.c_str(), target.data(), target.size());
        if (n <= 0) return;
        target.resize(static_cast<std::size_t>(n));
        if (target[0] == '/') done.clear();
        push(target);
        ++links;
    }
}

void CTrash::GuardUsersHomeTrashes() {
    // Another user's home trash (root reaches them all), and this user's own where $XDG_DATA_HOME
    // or $HOME points elsewhere: the desktop's default place for each user of the user database.
    passwd entry;
    passwd* user = nullptr;
    std::vector<char> buffer(16384);
    setpwent();
    while (getpwent_r(&entry, buffer.data(), buffer.size(), &user) == 0 && user) {
        if (!user->pw_dir || user->pw_dir[0] != '/') continue;
        const std::string trash = std::string(user->pw_dir) + "/.local/share/Trash";
        GuardLinks(trash);  // a ~/.local linked elsewhere would leave its user's trash behind
        const int fd = open(trash.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) continue;
        GuardTrash(fd);
        const int up = openat(fd, "..", O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (up >= 0) GuardHolders(up), close(up);
        close(fd);
    }
    endpwent();
}

CTrash::Bin* CTrash::HomeBin(const EntryStatus& entry) {
    if (!m_home) {
        m_home = std::make_unique<Bin>();
        Bin& bin = *m_home;
        GuardUsersHomeTrashes();
        if (m_homeTrash.empty()) return nullptr;  // no home folder: every entry goes to its volume's trash
        GuardLinks(m_homeTrash);
        // What of it exists is guarded now, whether or not an entry goes there; it is made later.
        bin.top = open(m_homeTrash.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (bin.top >= 0) {
            GuardTrash(bin.top);
            const int up = openat(bin.top, "..", O_PATH | O_DIRECTORY | O_CLOEXEC);
            if (up >= 0) GuardHolders(up), close(up);
            bin.files = openat(bin.top, "files", O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            bin.info = openat(bin.top, "info", O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            bin.bMade = bin.files >= 0 && bin.info >= 0;
        }
        // Where it lies: its files/ folder, or else the nearest folder above it that exists.
        bool bPlaced = bin.files >= 0 && GetPlace(bin.files, "", AT_EMPTY_PATH, bin.place);
        for (std::string above = m_homeTrash; !bPlaced;) {
            bPlaced = GetPlace(AT_FDCWD, above.c_str(), 0, bin.place);
            if (bPlaced && bin.top < 0) {
                // The folders that will hold the trash once it is made.
                const int holder = open(above.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
                if (holder >= 0) GuardHolders(holder), close(holder);
            }
            if (above.size() <= 1) break;
            above.resize(std::max<std::size_t>(above.find_last_of('/'), 1));
        }
        if (!bPlaced) bin.place.nDevice = ~std::uint64_t{0};  // nowhere: no entry goes there
    }
    return m_homeTrash.empty() || !SamePlace(m_home->place, entry) ? nullptr : m_home.get();
}

std::string CTrash::MakeHomeBin(Bin& bin, const EntryStatus& entry) {
    for (const char* folder : {"/files", "/info"}) {
        const std::string error = MakeFolders(m_homeTrash + folder);
        if (!error.empty()) return "the trash cannot be made: " + error;
    }
    for (int* fd : {&bin.top, &bin.files, &bin.info})
        if (*fd >= 0) close(*fd), *fd = -1;
    bin.top = open(m_homeTrash.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    bin.files = bin.top < 0 ? -1 : openat(bin.top, "files", O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    bin.info = bin.top < 0 ? -1 : openat(bin.top, "info", O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (bin.files < 0 || bin.info < 0) return "the trash cannot be read: " + ErrnoText(errno);
    GuardTrash(bin.top);
    const int up = openat(bin.top, "..", O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (up >= 0) GuardHolders(up), close(up);
    if (!GetPlace(bin.files, "", AT_EMPTY_PATH, bin.place) || !SamePlace(bin.place, entry))
        return "the trash lies on another mount than the entry";
    bin.bMade = true;
    return {};
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
    bin.mountTop = topFd;
    GuardMountTop(topFd);
    return &bin;
}

std::string CTrash::MakeVolumeBin(Bin& bin, const EntryStatus& entry) {
    // $topdir/.Trash/$uid where .Trash is a folder (not a link) with the sticky bit, which keeps
    // users from taking each other's folders; else $topdir/.Trash-$uid.
    const std::string uid = std::to_string(getuid());
    std::vector<std::pair<int, std::string>> made;  // what this call made, to be taken back on failure
    struct stat st;
    int shared = -1;
    if (fstatat(bin.mountTop, ".Trash", &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode) &&
        (st.st_mode & S_ISVTX)) {
        shared = openat(bin.mountTop, ".Trash", O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (shared >= 0) bin.top = OpenOwnFolder(shared, uid.c_str(), made);
    }
    if (bin.top < 0) bin.top = OpenOwnFolder(bin.mountTop, (".Trash-" + uid).c_str(), made);
    if (bin.top >= 0) {
        bin.files = OpenOwnFolder(bin.top, "files", made);
        bin.info = bin.files < 0 ? -1 : OpenOwnFolder(bin.top, "info", made);
    }
    const std::string noTrash = "no trash can be had on its file system (" + bin.topdir + "): ";
    std::string error;
    if (bin.info < 0)
        error = noTrash + ErrnoText(errno);
    else if (!GetPlace(bin.files, "", AT_EMPTY_PATH, bin.place) || !SamePlace(bin.place, entry))
        error = noTrash + "its trash lies on another mount";
    if (error.empty()) {
        GuardTrash(bin.top);
        bin.bMade = true;
    } else {
        // Nothing went in: the empty folders made just now go again, the last made first.
        for (auto it = made.rbegin(); it != made.rend(); ++it) unlinkat(it->first, it->second.c_str(), AT_REMOVEDIR);
    }
    if (shared >= 0) close(shared);
    return error;
}

std::string CTrash::Refusal(const CEntryAt& entry) {
    auto among = [](const std::vector<FileId>& ids, const FileId& id) {
        return std::find(ids.begin(), ids.end(), id) != ids.end();
    };
    if (among(m_trashFolders, entry.Id())) return "it is a folder of the trash";
    for (const FileId& folder : entry.Folders())
        if (among(m_trashFolders, folder)) return "it lies inside the trash";
    if (among(m_holders, entry.Id())) return "it holds the trash";
    if (among(m_links, entry.Id())) return "it is a link on the way to the trash";
    if (entry.Status().bDir) {
        // A mount point at any depth below the folder, made through any bind mount of its file
        // system: the rename would carry that file system along, and emptying the trash would
        // delete what it holds.
        if (!m_mounts) m_mounts = std::make_unique<CMountTable>("/proc/self/mountinfo");
        // Unread (no /proc), it would show no mount at all, and every folder would seem to hold none.
        if (m_mounts->Error() != 0) return "the mount table cannot be read: " + ErrnoText(m_mounts->Error());
        const std::string inside =
            m_mounts->Inside(entry.Path(), entry.Status().bHasMountId ? entry.Status().nMountId : 0);
        if (!inside.empty()) return "a file system is mounted inside it, on " + inside;
    }
    return {};
}

std::string CTrash::CheckArrival(const Bin& bin, const CEntryAt& entry, const std::string& trashName) {
    EntryStatus arrived;
    std::string reason;
    if (GetEntryStatus(bin.files, trashName, arrived, reason) && arrived.nDevice == entry.Status().nDevice &&
        arrived.nInode == entry.Status().nInode)
        return {};
    // Another entry took the name between the check and the rename: it goes back where it was.
    if (RenameNoReplace(bin.files, trashName.c_str(), entry.FolderFd(), entry.Name().c_str()) == 0) {
        unlinkat(bin.info, (trashName + ".trashinfo").c_str(), 0);
        return "another entry took its place as it was moved; that entry was put back";
    }
    return "another entry took its place as it was moved and could not be put back (" + ErrnoText(errno) +
           "): it is in the trash as " + trashName;
}

std::string CTrash::Move(const CEntryAt& entry) {
    const EntryStatus& status = entry.Status();
    // A mount point belongs to another mount than its folder, also a bind mount of the same
    // device; kernels that tell no mount id leave the device to tell.
    Place folder;
    bool bMountPoint = !entry.Folders().empty() && entry.Folders().back().nDevice != status.nDevice;
    if (GetPlace(entry.FolderFd(), "", AT_EMPTY_PATH, folder) && folder.bHasMountId && status.bHasMountId)
        bMountPoint = folder.nMountId != status.nMountId;
    if (bMountPoint) return "it is the top of a mounted file system";
    // The trashes of the entry's mount are guarded whichever trash it goes to.
    Bin* volume = VolumeBin(entry);
    if (!volume->error.empty()) return volume->error;
    Bin* bin = HomeBin(status);
    if (!bin) bin = volume;
    std::string refusal = Refusal(entry);
    if (!refusal.empty()) return refusal;
    if (!bin->bMade && bin->error.empty())
        bin->error = bin == volume ? MakeVolumeBin(*bin, status) : MakeHomeBin(*bin, status);
    if (!bin->error.empty()) return bin->error;
    // The trash made just now is a trash folder too.
    refusal = Refusal(entry);
    if (!refusal.empty()) return refusal;

    // The home trash records the whole path; a volume's trash the path below its top, so the
    // volume can be mounted elsewhere and still restore.
    std::string path = entry.Path();
    if (bin == volume) {
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
        if (RenameNoReplace(entry.FolderFd(), entry.Name().c_str(), bin->files, trashName.c_str()) == 0)
            return CheckArrival(*bin, entry, trashName);
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
