#include "system/DriveMap.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <array>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>
#include <string_view>
#include <utility>
#include <vector>

namespace {

// Folder of each letter A..Z; empty: no drive.
using DriveFolders = std::array<std::string, 26>;

// File systems that hold no user data of their own, even where a device names them.
bool IsPseudoFileSystem(std::string_view type) {
    static constexpr std::string_view kPseudo[] = {
        "proc",     "sysfs",    "devtmpfs",   "tmpfs",     "ramfs",     "cgroup",      "cgroup2",
        "squashfs", "devpts",   "mqueue",     "debugfs",   "tracefs",   "securityfs",  "pstore",
        "bpf",      "configfs", "fusectl",    "hugetlbfs", "autofs",    "binfmt_misc", "overlay",
        "efivarfs", "nsfs",     "rpc_pipefs", "nfsd",      "selinuxfs", "zram",        "erofs"};
    for (std::string_view pseudo : kPseudo)
        if (type == pseudo) return true;
    return false;
}

// mountinfo writes a space, tab, newline and backslash in a path as \040, \011, \012 and \134.
std::string Unescape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size()) {
            const char a = text[i + 1], b = text[i + 2], c = text[i + 3];
            if (a >= '0' && a <= '3' && b >= '0' && b <= '7' && c >= '0' && c <= '7') {
                out += static_cast<char>((a - '0') * 64 + (b - '0') * 8 + (c - '0'));
                i += 3;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

// "/" is C:; every other mounted file system on a block device takes the next free letter from D:,
// in mount-table order, once per device.
DriveFolders MountedDrives() {
    DriveFolders folders;
    folders['C' - 'A'] = "/";
    std::set<std::string> devices;  // "major:minor" of every device mapped
    struct stat rootStat;
    if (stat("/", &rootStat) == 0)
        devices.insert(std::to_string(major(rootStat.st_dev)) + ":" + std::to_string(minor(rootStat.st_dev)));

    std::ifstream mountinfo("/proc/self/mountinfo");
    std::string line;
    int next = 'D' - 'A';
    while (next < 26 && std::getline(mountinfo, line)) {
        // id parent major:minor root mount-point options [optional fields...] - type source super-options
        std::istringstream fields(line);
        std::string id, parent, device, root, mountPoint, options, word, type, source;
        if (!(fields >> id >> parent >> device >> root >> mountPoint >> options)) continue;
        while (fields >> word && word != "-") {}
        if (!(fields >> type >> source)) continue;
        if (source.rfind("/dev/", 0) != 0 || IsPseudoFileSystem(type)) continue;
        if (!devices.insert(device).second) continue;  // a second mount of a device already mapped
        folders[static_cast<std::size_t>(next++)] = Unescape(mountPoint);
    }
    return folders;
}

}  // namespace

// ZORBIN_DRIVES="C=/,D=/mnt/data" replaces the whole map. Letters may be given in either case
// (drive letters are case-blind: c= is C:). Empty entries (",,") are skipped; an entry without
// "=", with a letter outside A to Z, with a letter given before or with an empty path is left out
// and named on standard error. A relative path is taken from the current directory.
std::array<std::string, 26> ParseDriveList(std::string_view list, bool warn, std::string* pFirstFault) {
    DriveFolders folders;
    auto complain = [&](std::string_view entry, const char* why) {
        if (pFirstFault && pFirstFault->empty()) *pFirstFault = "entry \"" + std::string(entry) + "\": " + why;
        if (warn)
            std::fprintf(stderr, "zorbin: ZORBIN_DRIVES entry \"%.*s\" ignored: %s\n", static_cast<int>(entry.size()),
                         entry.data(), why);
    };
    std::size_t pos = 0;
    while (pos <= list.size()) {
        std::size_t comma = list.find(',', pos);
        if (comma == std::string_view::npos) comma = list.size();
        const std::string_view entry = list.substr(pos, comma - pos);
        pos = comma + 1;
        if (entry.empty()) continue;
        const std::size_t eq = entry.find('=');
        if (eq == std::string_view::npos) {
            complain(entry, "no \"=\"");
            continue;
        }
        const std::string_view letter = entry.substr(0, eq);
        std::string path(entry.substr(eq + 1));
        char c = letter.size() == 1 ? letter[0] : '\0';
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c < 'A' || c > 'Z') {
            complain(entry, "the drive must be one letter from A to Z");
            continue;
        }
        if (path.empty()) {
            complain(entry, "empty path");
            continue;
        }
        std::string& slot = folders[static_cast<std::size_t>(c - 'A')];
        if (!slot.empty()) {
            complain(entry, "letter given twice");
            continue;
        }
        if (path[0] != '/') {
            char cwd[PATH_MAX];
            if (getcwd(cwd, sizeof cwd)) path.insert(0, std::string(cwd) + (cwd[1] ? "/" : ""));
        }
        slot = std::move(path);
    }
    return folders;
}

namespace {

// The map read last, kept for every look-up until the drive list is read again: the letters of
// g_szDrives keep the folders they stood for when they were listed, and a look-up no longer reads
// the whole mount table. Never destroyed: the counting worker may still read the map while the
// process exits.
struct KeptMap {
    std::mutex mutex;
    bool bRead = false;
    bool bFromList = false;  // read from ZORBIN_DRIVES, whose value was `list`
    std::string list;
    std::string lastWarned;  // each distinct faulty value is reported once, not on every read
    DriveFolders folders;
};

KeptMap& Kept() {
    static auto* kept = new KeptMap;
    return *kept;
}

// The map a reading gives: ZORBIN_DRIVES when it is set (env), else the mount table.
DriveFolders ReadMap(const char* env, bool warn) { return env ? ParseDriveList(env, warn) : MountedDrives(); }

// Hands the map in force to use, under the lock, and returns what use returns: a look-up copies
// the one folder it wants, not the 26 of the map. The map is the kept one, read again when
// bReadAgain, when none was read, or when ZORBIN_DRIVES has changed since (tests change it
// between walks).
template <class Use>
auto WithCurrentMap(bool bReadAgain, Use use) {
    const char* env = std::getenv("ZORBIN_DRIVES");
    KeptMap& kept = Kept();
    std::lock_guard<std::mutex> lock(kept.mutex);
    const bool bSame = kept.bRead && (env ? kept.bFromList && kept.list == env : !kept.bFromList);
    if (bReadAgain || !bSame) {
        const bool warn = env && kept.lastWarned != env;
        if (warn) kept.lastWarned = env;
        kept.folders = ReadMap(env, warn);
        if (env) kept.list = env;
        kept.bFromList = env != nullptr;
        kept.bRead = true;
    }
    return use(std::as_const(kept.folders));
}

// The place of a drive letter (either case) in the map, or -1 for a text that is no letter.
int DriveIndex(char letter) {
    if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
    return letter >= 'A' && letter <= 'Z' ? letter - 'A' : -1;
}

// "C:", "C:/..." or "C:\..." (either case): the letter, else 0.
char DriveLetterOf(const std::string& path) {
    if (path.size() < 2 || path[1] != ':') return '\0';
    if (path.size() > 2 && path[2] != '/' && path[2] != '\\') return '\0';
    char c = path[0];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return c >= 'A' && c <= 'Z' ? c : '\0';
}

}  // namespace

unsigned long GetDriveMask() {
    return WithCurrentMap(true, [](const DriveFolders& folders) {
        unsigned long mask = 0;
        for (std::size_t i = 0; i < folders.size(); ++i)
            if (!folders[i].empty()) mask |= 1UL << i;
        return mask;
    });
}

std::string DriveRootFolder(char letter) {
    const int i = DriveIndex(letter);
    if (i < 0) return {};
    return WithCurrentMap(false, [i](const DriveFolders& folders) { return folders[static_cast<std::size_t>(i)]; });
}

std::string ReadDriveFolderNow(char letter) {
    const int i = DriveIndex(letter);
    if (i < 0) return {};
    return ReadMap(std::getenv("ZORBIN_DRIVES"), false)[static_cast<std::size_t>(i)];
}

std::string ResolveDrivePath(const std::string& path) {
    const char letter = DriveLetterOf(path);
    if (!letter) return path;
    std::string folder = DriveRootFolder(letter);
    if (folder.empty()) return folder;  // a letter that names no drive leads nowhere
    std::size_t rest = 2;
    while (rest < path.size() && (path[rest] == '/' || path[rest] == '\\')) ++rest;
    if (rest < path.size()) {
        if (folder.back() != '/') folder += '/';
        folder.append(path, rest, std::string::npos);
    }
    return folder;
}

std::vector<std::string> AllDriveFolders() {
    return WithCurrentMap(false, [](const DriveFolders& map) {
        std::vector<std::string> folders;
        for (const std::string& folder : map)
            if (!folder.empty()) folders.push_back(folder);
        return folders;
    });
}
