#include "platform/Trash.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

// The home trash of the freedesktop trash layout, written here rather than through
// QFile::moveToTrash: Qt 6.4 reports success when the data folder is missing and moves the entry
// into files/ below the process's current directory. Every path below is absolute, and the trash
// folders are made (mode 0700) before anything moves.

namespace {

std::string ErrorText(int error) {
    char buffer[256];
    // The GNU strerror_r returns the text, which need not be in the buffer.
    return strerror_r(error, buffer, sizeof buffer);
}

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
    if (errno != ENOENT) return path + ": " + ErrorText(errno);
    const auto slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0) {
        std::string parent = MakeFolders(path.substr(0, slash));
        if (!parent.empty()) return parent;
    }
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return path + ": " + ErrorText(errno);
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

// rename(2) that never replaces an entry already in the trash.
int RenameNoReplace(const char* from, const char* to) {
    if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return -1;
    // A file system without RENAME_NOREPLACE: the name was checked free just before.
    struct stat st;
    if (lstat(to, &st) == 0) {
        errno = EEXIST;
        return -1;
    }
    return rename(from, to);
}

}  // namespace

std::string MoveToTrash(const std::string& path) {
    if (path.empty() || path[0] != '/') return "not an absolute path";
    std::string entry = path;
    while (entry.size() > 1 && entry.back() == '/') entry.pop_back();
    const std::string name = entry.substr(entry.find_last_of('/') + 1);
    if (name.empty() || name == "." || name == "..") return "not the name of a file or directory";

    // Whether it is a file or a directory is read here, when it goes; a link goes as the link.
    struct stat entrySt;
    if (lstat(entry.c_str(), &entrySt) != 0) return ErrorText(errno);

    const std::string dataHome = DataHome();
    if (dataHome.empty()) return "no home folder for the trash";
    const std::string trash = dataHome + "/Trash";
    const std::string files = trash + "/files";
    const std::string info = trash + "/info";
    for (const std::string* folder : {&files, &info}) {
        std::string error = MakeFolders(*folder);
        if (!error.empty()) return "the trash cannot be made: " + error;
    }

    // Moving between file systems would mean copying the entry and removing the original; that is
    // refused instead, so the original is never half-removed.
    struct stat filesSt;
    if (stat(files.c_str(), &filesSt) != 0) return "the trash cannot be read: " + ErrorText(errno);
    if (filesSt.st_dev != entrySt.st_dev) return "on another file system than the trash";

    const std::string record = "[Trash Info]\nPath=" + EncodePath(entry) +
                               "\nDeletionDate=" + DeletionDate() + "\n";
    // The record is made first and exclusively: it reserves the name against other programs.
    for (int n = 1; n < 100000; ++n) {
        const std::string trashName = n == 1 ? name : name + "." + std::to_string(n);
        const std::string infoPath = info + "/" + trashName + ".trashinfo";
        const std::string target = files + "/" + trashName;
        struct stat st;
        if (lstat(target.c_str(), &st) == 0) continue;
        const int fd = open(infoPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return "the trash record cannot be written: " + ErrorText(errno);
        }
        const bool written = WriteAll(fd, record);
        const int writeError = errno;
        if (close(fd) != 0 || !written) {
            unlink(infoPath.c_str());
            return "the trash record cannot be written: " + ErrorText(written ? errno : writeError);
        }
        if (RenameNoReplace(entry.c_str(), target.c_str()) == 0) return {};
        const int error = errno;
        unlink(infoPath.c_str());
        if (error == EEXIST) continue;
        if (error == EXDEV) return "on another file system than the trash";
        return ErrorText(error);
    }
    return "no free name in the trash";
}
