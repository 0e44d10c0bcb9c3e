#include "system/TrashMounts.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

// The bytes of a mount table field with its octal escapes ("\040" for a blank) undone.
std::string Unescape(std::string_view field) {
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' && field[i + 1] <= '3' &&
            field[i + 2] >= '0' && field[i + 2] <= '7' && field[i + 3] >= '0' && field[i + 3] <= '7') {
            out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

// What lies at below (a path under the mount point point) inside a mount whose root is root.
std::string InFile(const std::string& root, const std::string& point, const std::string& path) {
    const std::string_view below = std::string_view(path).substr(point == "/" ? 0 : point.size());
    if (root == "/") return below.empty() ? "/" : std::string(below);
    return root + std::string(below);
}

bool Below(const std::string& path, const std::string& folder) {
    return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
           (folder == "/" || path[folder.size()] == '/');
}

}  // namespace

CMountTable::CMountTable(const std::string& mountinfo) {
    FILE* file = std::fopen(mountinfo.c_str(), "re");
    if (!file) {
        m_nError = errno;
        return;
    }
    char* line = nullptr;
    std::size_t capacity = 0;
    ssize_t n;
    // "36 35 98:0 /mnt1 /mnt2 rw,noatime master:1 - ext3 /dev/root rw": id, parent, device, root, point.
    while ((n = getline(&line, &capacity, file)) > 0) {
        std::string_view rest(line, static_cast<std::size_t>(n));
        std::string_view fields[5];
        for (std::string_view& field : fields) {
            const std::size_t end = std::min(rest.find_first_of(" \n"), rest.size());
            field = rest.substr(0, end);
            rest.remove_prefix(std::min(end + 1, rest.size()));
        }
        if (fields[4].empty()) continue;
        Mount& mount = m_mounts.emplace_back();
        mount.nId = std::strtoull(std::string(fields[0]).c_str(), nullptr, 10);
        mount.nParent = std::strtoull(std::string(fields[1]).c_str(), nullptr, 10);
        mount.device = fields[2];
        mount.root = Unescape(fields[3]);
        mount.point = Unescape(fields[4]);
    }
    if (std::ferror(file)) m_nError = errno != 0 ? errno : EIO;
    // /proc is itself a mount: a table without any (a file masked with an empty one) was not read.
    if (m_nError == 0 && m_mounts.empty()) m_nError = ENODATA;
    std::free(line);
    std::fclose(file);
    for (std::size_t i = 0; i < m_mounts.size(); ++i) m_byId.emplace(m_mounts[i].nId, i);
    for (std::size_t i = 0; i < m_mounts.size(); ++i) {
        const Mount& mount = m_mounts[i];
        m_points.push_back(mount.point);
        const auto parent = m_byId.find(mount.nParent);
        if (parent == m_byId.end() || parent->second == i) continue;  // the root mount, or one outside this view
        const Mount& holder = m_mounts[parent->second];
        if (holder.point != "/" && mount.point != holder.point && !Below(mount.point, holder.point)) continue;
        m_inFile.emplace_back(holder.device + '\0' + InFile(holder.root, holder.point, mount.point), i);
    }
    std::sort(m_points.begin(), m_points.end());
    std::sort(m_inFile.begin(), m_inFile.end());
}

std::string CMountTable::Inside(const std::string& path, std::uint64_t mountId) const {
    // Below the folder where the table shows it (the only test a kernel without mount ids allows).
    const std::string below = path == "/" ? path : path + "/";
    const auto shown = std::lower_bound(m_points.begin(), m_points.end(), below);
    if (shown != m_points.end() && shown->compare(0, below.size(), below) == 0) return *shown;
    // Below the folder in its file system, made through another bind mount of it. Looked up by id:
    // a Delete of every folder of a drive asks once a folder.
    const auto found = mountId == 0 ? m_byId.end() : m_byId.find(mountId);
    if (found == m_byId.end()) return {};
    const Mount& own = m_mounts[found->second];
    if (!(own.point == "/" || path == own.point || Below(path, own.point))) return {};
    std::string key = own.device + '\0' + InFile(own.root, own.point, path);
    // On the folder itself: the folder's own mount does not show it, and the rename would fail
    // ("Device or resource busy") only after a trash had been made for it.
    auto it = std::lower_bound(m_inFile.begin(), m_inFile.end(), std::make_pair(key, std::size_t{0}));
    if (it != m_inFile.end() && it->first == key) return m_mounts[it->second].point;
    if (key.back() != '/') key += '/';
    it = std::lower_bound(it, m_inFile.end(), std::make_pair(key, std::size_t{0}));
    if (it != m_inFile.end() && it->first.compare(0, key.size(), key) == 0) return m_mounts[it->second].point;
    return {};
}
