#pragma once
#include "scan/DirWalker.h"

#include "TestSupport.h"

#include <atomic>
#include <filesystem>
#include <mutex>
#include <string>

// Sets the walks' listing hook for the scope, then restores the one before.
struct ScopedListingHook {
    explicit ScopedListingHook(CDirWalker::ListingHook hook) : previous(CDirWalker::SetListingHook(std::move(hook))) {}
    ~ScopedListingHook() { CDirWalker::SetListingHook(std::move(previous)); }
    CDirWalker::ListingHook previous;
};

// A drive of kTops top folders, each holding one file. As soon as a walk lists any folder below
// the drive's own (after the drive's listing gave each top folder's device and inode, before the
// walk of the last of them), the top folder listed last is moved away and another folder, holding
// other entries, takes its name. A walk must hand on that name's row and nothing below it. Every
// walk waits in the hook until the swap is done: each has entered at most one top folder by then.
struct TopFolderSwap {
    static constexpr int kTops = 300;  // more than a scan or a count splits the top into

    static std::string MakeDrive(const TempDir& tmp) {
        for (int i = 0; i < kTops; ++i) tmp.MakeFile("drive/t" + std::to_string(i) + "/f", "x");
        for (const char* file : {"intruder/a", "intruder/b", "intruder/c/d"}) tmp.MakeFile(file, "x");
        return tmp.Path() + "/drive";
    }

    explicit TopFolderSwap(const TempDir& dir) : tmp(dir) {}

    const TempDir& tmp;
    const std::string root = MakeDrive(tmp), swapped = root + "/" + ListingOrder(root).back();
    std::once_flag once;
    std::atomic<bool> bSwapped{false};
    ScopedListingHook hook{[this](std::string_view path) {
        if (path != root)
            std::call_once(once, [this] {
                std::filesystem::rename(swapped, tmp.Path() + "/away");
                std::filesystem::rename(tmp.Path() + "/intruder", swapped);
                bSwapped = true;
            });
        return true;
    }};
};
