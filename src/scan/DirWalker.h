#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The one walk engine of both drive walks (the scan and the count).
//
// Depth-first pre-order, each directory's entries in the order its listing returns them; no dot
// entries. It never recurses per level and never changes the current directory: a directory's
// whole listing is read into one shared buffer before its first entry is handled, so its
// descriptor can be closed while a deep subtree is walked, and only the deepest kOpenLevels levels
// keep a descriptor. A level above that window is reopened through ".." of its child (device and
// inode checked) when the walk climbs back to it; entries are reached with openat/statx relative
// to their directory, so paths far beyond PATH_MAX work.
//
// One walk covers one file system: a mount point below the root is handed on as a directory but
// not entered. Symbolic links are never followed: they are handed on as files with their own
// length and times. An entry that vanishes between its listing and its status is left out; a
// directory that cannot be opened or listed is handed on and nothing below it follows.
// Costs per walk, not per entry: one path buffer, one listing buffer, no allocation per name.
class CDirWalker {
public:
    enum class Mode {
        Status,     // every entry's length and times are read (statx)
        DirStatus,  // directories' times only: files are known by the listing's entry types
        TypesOnly   // only the listing's entry types; statx only for directories and unknown types
    };

    struct Entry {
        std::string_view path;  // absolute; empty for files unless the mode is Status
        std::string_view name;
        bool bDir = false;
        bool bHasStatus = false;  // length and times below are valid
        bool bHasBirth = false;   // the file system reported a birth time
        std::uint64_t nLength = 0;
        std::int64_t nModified = 0;  // seconds since the epoch
        std::int64_t nAccessed = 0;
        std::int64_t nBirth = 0;
    };

    // Called once per entry; the entry's texts are valid only during the call.
    using Visit = void (*)(void* context, const Entry& entry);

    // For tests: called with a directory's absolute path once its listing has been read and before
    // any of its entries' status is; returning false makes that listing fail. Returns the previous hook. Process-wide:
    // set it before a walk starts, never during one.
    using ListingHook = std::function<bool(std::string_view path)>;
    static ListingHook SetListingHook(ListingHook hook);

    // Levels that keep their directory open; the walk holds at most this many descriptors (plus
    // one while it reopens a level), whatever the depth.
    static constexpr std::size_t kOpenLevels = 32;

    struct Status;  // what the walk keeps of one entry's statx (defined where it is used)

    explicit CDirWalker(Mode mode);
    ~CDirWalker();
    CDirWalker(const CDirWalker&) = delete;
    CDirWalker& operator=(const CDirWalker&) = delete;

    // A directory a walk would have entered, as its frontier keeps it.
    struct DirId {
        std::string path;
        std::uint64_t dev = 0, ino = 0;
        std::size_t nEntry = 0;  // how many entries the walk had handed on with this one
    };

    // Hands every entry below the folder to visit. A relative folder is taken from the current
    // directory. False when the folder itself cannot be opened or listed (nothing handed on).
    // With expect, the folder must still be that directory (no link followed to reach it).
    bool Walk(const std::string& folder, Visit visit, void* context, const DirId* expect = nullptr);
    // The same with any callable taking const Entry&.
    template <class F>
    bool Walk(const std::string& folder, F& visit, const DirId* expect = nullptr) {
        return Walk(
            folder, [](void* c, const Entry& e) { (*static_cast<F*>(c))(e); }, &visit, expect);
    }

    // Lets a walk stop `levels` directories below its folder (0: no limit): the directories there are
    // handed on, and those it would have entered are kept for TakeFrontier, so that several walks
    // can share the rest (Walk with the DirId as folder and expect).
    void SetDepthLimit(std::size_t levels) { m_nDepthLimit = levels; }
    std::vector<DirId> TakeFrontier() { return std::move(m_frontier); }
    // Of the last walk: the directories below its folder that could not be opened or listed (a
    // directory the user may not read looks empty otherwise), and why its folder itself could not
    // be (an errno value; 0 when it was walked, or had become another directory).
    std::size_t Unlisted() const { return m_nUnlisted; }
    int FolderError() const { return m_nFolderError; }

private:
    struct Level;
    bool ReadListing(std::size_t level);
    bool NeedsStatus(unsigned char type) const;
    void ReadStatus(std::size_t level);
    void Descend(const char* name, std::uint64_t dev, std::uint64_t ino);
    void Pop();
    int Reopen(int childFd, std::size_t level);
    void CloseAll();

    Mode m_mode;
    std::string m_path;       // absolute path of the entry at hand, reused for every entry
    char* m_pList = nullptr;  // raw listing records of every level being walked, deepest last
    std::size_t m_nListUsed = 0;
    std::size_t m_nListCapacity = 0;
    std::vector<Level> m_levels;        // complete in the .cpp, where it is used
    std::vector<Status> m_status;       // status of the entries of every level being walked, deepest last
    std::vector<std::size_t> m_toRead;  // listing offsets of the entries whose status one level needs
    std::uint64_t m_nRootDev = 0;
    std::size_t m_nDepthLimit = 0;
    std::size_t m_nHanded = 0;  // entries handed on by the walk so far
    std::size_t m_nUnlisted = 0;
    int m_nFolderError = 0;
    std::vector<DirId> m_frontier;
};
