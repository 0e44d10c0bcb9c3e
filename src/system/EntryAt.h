#pragma once
#include "system/EntryStatus.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Which file or folder: its device and inode.
struct FileId {
    std::uint64_t nDevice = 0;
    std::uint64_t nInode = 0;
    bool operator==(const FileId&) const = default;
};

// An entry below a drive's folder, reached without following a symbolic link: the drive's folder
// is opened as the map gives it, every folder below it with O_NOFOLLOW relative to the one above,
// and the entry itself is looked at, not followed, relative to its own folder. Whatever is then
// done to it is done relative to that folder too, so a folder that became a link after the table
// was made leads nowhere, never out of the drive. One object serves row after row.
class CEntryAt {
public:
    CEntryAt() = default;
    ~CEntryAt();
    CEntryAt(const CEntryAt&) = delete;
    CEntryAt& operator=(const CEntryAt&) = delete;

    // Reaches the entry at root + below ("/x/y" below "/mnt/d"). Empty text on success, else the
    // reason, and no entry is held.
    std::string Open(const std::string& root, std::string_view below);
    void Close();

    // The entry's own folder, held open (O_PATH) while the entry is.
    int FolderFd() const { return m_fd; }
    const std::string& Name() const { return m_name; }
    const EntryStatus& Status() const { return m_status; }
    FileId Id() const { return {m_status.nDevice, m_status.nInode}; }
    // The folders passed through, from the drive's folder down to the entry's own.
    const std::vector<FileId>& Folders() const { return m_folders; }
    // The entry's path on disk: the drive's folder as its real path, then the names below it.
    const std::string& Path() const { return m_path; }

private:
    int m_fd = -1;
    std::string m_name;
    EntryStatus m_status;
    std::vector<FileId> m_folders;
    std::string m_path;
    // The last drive folder and its real path: rows of one drive follow each other.
    std::string m_root;
    std::string m_realRoot;
};
