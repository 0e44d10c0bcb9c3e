#include "system/EntryAt.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool Identify(int fd, FileId& id) {
    EntryStatus status;
    std::string reason;
    if (!GetEntryStatus(fd, {}, status, reason)) return false;
    id = {status.nDevice, status.nInode};
    return true;
}

}  // namespace

CEntryAt::~CEntryAt() { Close(); }

void CEntryAt::Close() {
    if (m_fd >= 0) close(m_fd);
    m_fd = -1;
    m_folders.clear();
}

std::string CEntryAt::Open(const std::string& root, std::string_view below) {
    Close();
    if (root != m_root || m_realRoot.empty()) {
        char real[PATH_MAX];
        if (!realpath(root.c_str(), real)) return ErrnoText(errno);
        m_root = root;
        m_realRoot = real;
    }
    // The names below the drive's folder; "." and ".." could lead anywhere, and no row holds them.
    std::vector<std::string_view> names;
    for (std::size_t pos = 0; pos < below.size();) {
        std::size_t end = below.find('/', pos);
        if (end == std::string_view::npos) end = below.size();
        const std::string_view name = below.substr(pos, end - pos);
        if (name == "." || name == "..") return "its path holds \".\" or \"..\"";
        if (!name.empty()) names.push_back(name);
        pos = end + 1;
    }
    if (names.empty()) return "it is the drive's own folder";

    int fd = open(m_realRoot.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return ErrnoText(errno);
    m_path = m_realRoot;
    auto fail = [&](std::string reason) {
        close(fd);
        m_folders.clear();
        return reason;
    };
    FileId id;
    if (!Identify(fd, id)) return fail(ErrnoText(errno));
    m_folders.push_back(id);
    for (std::size_t i = 0; i + 1 < names.size(); ++i) {
        const std::string name(names[i]);
        const int next = openat(fd, name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0) {
            const int error = errno;
            struct stat st;
            if (fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode))
                return fail("the folder \"" + name + "\" on its path is now a symbolic link");
            return fail(ErrnoText(error));
        }
        close(fd);
        fd = next;
        if (!Identify(fd, id)) return fail(ErrnoText(errno));
        m_folders.push_back(id);
        if (m_path.back() != '/') m_path += '/';
        m_path += name;
    }
    m_name = names.back();
    std::string reason;
    if (!GetEntryStatus(fd, m_name, m_status, reason)) return fail(reason);
    if (m_path.back() != '/') m_path += '/';
    m_path += m_name;
    m_fd = fd;
    return {};
}
