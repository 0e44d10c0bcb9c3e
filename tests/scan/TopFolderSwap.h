#pragma once
#include "scan/DirWalker.h"

#include <atomic>
#include <mutex>
#include <string>

class TempDir;

// A drive of kTops top folders, each holding one file. As soon as a walk lists any folder below
// the drive's own (after the drive's listing gave each top folder's device and inode, before the
// walk of the last of them), the top folder listed last is moved away and another folder, holding
// other entries, takes its name. A walk must hand on that name's row and nothing below it.
class TopFolderSwap {
public:
    static constexpr int kTops = 300;  // more than a scan or a count splits the top into

    explicit TopFolderSwap(const TempDir& tmp);
    ~TopFolderSwap();
    TopFolderSwap(const TopFolderSwap&) = delete;
    TopFolderSwap& operator=(const TopFolderSwap&) = delete;

    const std::string& Root() const { return m_root; }
    const std::string& Swapped() const { return m_swapped; }
    bool HasSwapped() const { return m_bSwapped.load(); }

private:
    std::string m_root, m_swapped, m_intruder, m_away;
    std::once_flag m_once;
    std::atomic<bool> m_bSwapped{false};
    CDirWalker::ListingHook m_previous;
};
