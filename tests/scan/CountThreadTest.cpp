#include "scan/CountThread.h"

#include "scan/DriveGlobals.h"
#include "scan/DriveScanner.h"
#include "scan/ScanColumns.h"

#include "TestSupport.h"
#include "TopFolderSwap.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <mutex>
#include <thread>

namespace {

using namespace std::chrono_literals;

// Waits for the count, but fails instead of hanging when g_pCountThread is never cleared.
bool CountEndsWithin(std::chrono::seconds limit) {
    return std::async(std::launch::async, [] { WaitForCount(); }).wait_for(limit) == std::future_status::ready;
}

TEST(CountThreadTest, CountsAddEveryEntryBelowTheRootButNothingOfATopFolderSwappedSinceItsListing) {
    // Faults this pins: the count kept only what its first thread counted (the tree is wider than
    // the split); a top folder counted unchecked adds whatever folder has its name by then.
    TempDir tmp;
    TopFolderSwap swap(tmp);
    ScanColumns record;
    record.nDirCount = 10;  // a count adds to what the counters hold
    CountFolder(swap.root, &record);
    CountFolder(swap.root + "/absent", &record);
    ASSERT_TRUE(swap.bSwapped);
    EXPECT_EQ(record.nDirCount, 10 + TopFolderSwap::kTops);
    EXPECT_EQ(record.nFileCount, TopFolderSwap::kTops - 1);  // the swapped folder's file went with it
}

TEST(CountThreadTest, CountsRunOneAtATimeIntoCountersOfTheirOwnAndPublishEachDrivesCounts) {
    TempDir c, d, e;
    for (const char* file : {"A/one", "A/two"}) c.MakeFile(file);
    for (const char* file : {"x", "y/z/w"}) d.MakeFile(file);
    ScopedEnv drives("ZORBIN_DRIVES",
                     "C=" + c.Path() + ",D=" + d.Path() + ",E=" + e.Path() + ",F=" + e.Path() + "/gone");
    CDriveScanner scanner;
    ASSERT_TRUE(scanner.GetDriveLetters());
    ASSERT_STREQ(g_szDrives, "CDEF");
    for (int i = 0; i < 4; ++i) g_dDirCount[i] = g_dFileCount[i] = -1;
    // Every listing of every walk is logged with its thread, slowly enough that two counts running
    // side by side would interleave.
    std::mutex mutex;
    std::vector<std::thread::id> listings;
    const ScopedListingHook hook([&](std::string_view) {
        std::this_thread::sleep_for(2ms);
        const std::lock_guard<std::mutex> lock(mutex);
        listings.push_back(std::this_thread::get_id());
        return true;
    });
    // Each view that starts a count is closed at once: the worker must not count into it.
    for (int i = 0; i < 3; ++i) {
        auto* view = new ScanColumns;
        scanner.StartCountThread(view);  // waits for the one before
        delete view;
    }
    ASSERT_TRUE(CountEndsWithin(30s));
    ASSERT_EQ(listings.size(), 3u * 6u);  // C, A, D, y, y/z and E, three times
    for (std::size_t i = 0; i < listings.size(); ++i)
        EXPECT_EQ(listings[i], listings[i / 6 * 6]) << "listing " << i << " belongs to another count";
    const double dirs[] = {1, 2, 0, 0}, files[] = {2, 2, 0, 0};  // E is empty, F cannot be entered
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(g_dDirCount[i], dirs[i]) << g_szDrives[i];
        EXPECT_EQ(g_dFileCount[i], files[i]) << g_szDrives[i];
    }
}

TEST(CountThreadTest, WorkerThatEndsAtOnceStillLeavesNoThread) {
    // The fault this pins down: a worker with nothing to count could clear g_pCountThread before
    // its starter stored the thread object there, so the pointer stayed set and every wait hung.
    g_szDrives[0] = '\0';
    CDriveScanner scanner;
    for (int i = 0; i < 200; ++i) {
        scanner.StartCountThread(nullptr);
        ASSERT_TRUE(CountEndsWithin(10s)) << "run " << i;
    }
}

}  // namespace
