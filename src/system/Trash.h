#pragma once
#include "system/EntryAt.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

// The desktop's (freedesktop) trash, for one Delete: the home trash for entries on its file
// system, and for an entry on any other one the trash at the top of that file system's mount,
// found once and kept for the entries after it. Never deletes for good: an entry goes by one
// rename, or stays.
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
    // Notes the trash folders below top (and top) and every folder that holds top.
    void Guard(int topFd);
    std::string Refusal(const CEntryAt& entry) const;

    std::string m_homeTrash;  // $XDG_DATA_HOME/Trash
    std::unique_ptr<Bin> m_home;
    std::map<std::uint64_t, std::unique_ptr<Bin>> m_volumes;  // by mount (or device)
    std::vector<FileId> m_trashFolders;  // trash tops, files/ and info/
    std::vector<FileId> m_holders;       // the folders above the trash tops
};

// One absolute path into the trash, reached from "/" without following a link.
std::string MoveToTrash(const std::string& path);
