#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

// The mount table (/proc/self/mountinfo format), read once, with its escapes undone: each mount
// point where it shows, and where it lies inside the file system that holds it. A rename carries
// a folder's mounts along whichever bind mount of its file system they were made on, so a folder
// holds every mount point that lies below it in its file system, whether it shows below it or not.
class CMountTable {
public:
    explicit CMountTable(const std::string& mountinfo);
    // A mount point below the folder at path (a real path) on the mount mountId (0: not known), or
    // on the folder itself through another bind mount, as the table shows it; empty when none.
    std::string Inside(const std::string& path, std::uint64_t mountId) const;
    // The errno value that kept the table from being read whole; 0 when it was.
    int Error() const { return m_nError; }

private:
    struct Mount {
        std::uint64_t nId = 0, nParent = 0;
        std::string device, root, point;  // "8:1"; the mount's root in its file system; where it shows
    };
    int m_nError = 0;
    std::vector<Mount> m_mounts;
    std::unordered_map<std::uint64_t, std::size_t> m_byId;      // a mount's place in m_mounts, by its id
    std::vector<std::string> m_points;                          // sorted
    std::vector<std::pair<std::string, std::size_t>> m_inFile;  // sorted: device '\0' path in it; the mount
};
