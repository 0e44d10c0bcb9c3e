#include "TopFolderSwap.h"

#include "TestSupport.h"

#include <filesystem>

TopFolderSwap::TopFolderSwap(const TempDir& tmp) {
    for (int i = 0; i < kTops; ++i) tmp.MakeFile("drive/t" + std::to_string(i) + "/f", "x");
    for (const char* file : {"intruder/a", "intruder/b", "intruder/c/d"}) tmp.MakeFile(file, "x");
    m_root = tmp.Path() + "/drive";
    m_swapped = m_root + "/" + ListingOrder(m_root).back();
    m_intruder = tmp.Path() + "/intruder";
    m_away = tmp.Path() + "/away";
    // Every walk waits here until the swap is done: each has entered at most one top folder by then.
    m_previous = CDirWalker::SetListingHook([this](std::string_view path) {
        if (path != m_root)
            std::call_once(m_once, [this] {
                std::filesystem::rename(m_swapped, m_away);
                std::filesystem::rename(m_intruder, m_swapped);
                m_bSwapped.store(true);
            });
        return true;
    });
}

TopFolderSwap::~TopFolderSwap() { CDirWalker::SetListingHook(std::move(m_previous)); }
