#pragma once
#include "system/EntryAt.h"
#include "system/TrashMounts.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

// The desktop's (freedesktop) trash, for one Delete: the home trash for entries on its file
// system, and for an entry on any other one the trash at the top of that file system's mount,
// found once and kept for the entries after it. Never deletes for good: an entry goes by one
// rename, or stays. Every trash of every user on each mount the Delete touches, the home trash,
// the links on the way to it and whatever holds them stay where they are, and so does a folder
// that holds a mount point; a trash folder is made only when something goes into it.
class CTrash {
public:
    CTrash();
    ~CTrash();
    CTrash(const CTrash&) = delete;
    CTrash& operator=(const CTrash&) = delete;

    // Moves the entry into the trash of its file system. Empty text on success, else the reason,
    // and the entry stays where it is.
    std::string Move(const CEntryAt& entry);

    struct Bin;

private:
    Bin* HomeBin(const EntryStatus& entry);
    Bin* VolumeBin(const CEntryAt& entry);
    std::string MakeHomeBin(Bin& bin, const EntryStatus& entry);
    std::string MakeVolumeBin(Bin& bin, const EntryStatus& entry);
    // Notes a trash's top folder, its files/ and info/.
    void GuardTrash(int trashFd);
    // Notes the folder fd and every folder above it, to "/".
    void GuardHolders(int fd);
    // Notes every user's trash at the top of a mount.
    void GuardMountTop(int topFd);
    // Notes the home trash of every user, the links on the way to it, and what holds each.
    void GuardUsersHomeTrashes();
    // Notes every symbolic link met on the way to path, and what holds each.
    void GuardLinks(const std::string& path);
    std::string Refusal(const CEntryAt& entry);
    // After the rename: empty text when what arrived as trashName is the entry, else what was done.
    std::string CheckArrival(const Bin& bin, const CEntryAt& entry, const std::string& trashName);

    std::string m_homeTrash;  // $XDG_DATA_HOME/Trash
    std::unique_ptr<Bin> m_home;
    std::map<std::uint64_t, std::unique_ptr<Bin>> m_volumes;  // by mount (or device)
    std::vector<FileId> m_trashFolders;                       // trash tops, files/ and info/
    std::vector<FileId> m_holders;                            // the folders above the trash tops
    std::vector<FileId> m_links;                              // the symbolic links on the way to the home trash
    std::unique_ptr<CMountTable> m_mounts;                    // read at the first folder
};

// One absolute path into the trash, reached from "/" without following a link.
std::string MoveToTrash(const std::string& path);
