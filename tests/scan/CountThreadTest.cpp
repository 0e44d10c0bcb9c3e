#include "scan/CountThread.h"

#include "scan/DirWalker.h"
#include "scan/DriveGlobals.h"
#include "scan/DriveScanner.h"
#include "scan/ScanColumns.h"

#include "TestSupport.h"
#include "TopFolderSwap.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <future>
#include <mutex>
#include <thread>

namespace {

using namespace std::chrono_literals;

// Waits for the count, but fails instead of hanging when g_pCountThread is never cleared.
bool CountEndsWithin(std::chrono::seconds limit) {
    auto waited = std::async(std::launch::async, [] { WaitForCount(); });
    return waited.wait_for(limit) == std::future_status::ready;
}

TEST(CountThreadTest, CountsAddDirectoriesAndFilesBelowTheRootLinksAsFiles) {
    TempDir tmp;
    for (const char* file : {"A/one", "A/two", ".hidden", "U/x", "U/y/z"}) tmp.MakeFile(file);
    tmp.MakeDir("A/B/C");
    ASSERT_EQ(symlink("A", (tmp.Path() + "/link").c_str()), 0);
    // U cannot be listed: it counts as one directory, nothing below it.
    const std::string failing = tmp.Path() + "/U";
    const auto previous = CDirWalker::SetListingHook([&](std::string_view path) { return path != failing; });
    ScanColumns record;
    record.nDirCount = 10;  // a count adds to what the counters hold
    CountFolder(tmp.Path(), &record);
    CountFolder(tmp.Path() + "/absent", &record);
    CDirWalker::SetListingHook(previous);
    EXPECT_EQ(record.nDirCount, 10 + 4);
    EXPECT_EQ(record.nFileCount, 4);
}

TEST(CountThreadTest, ATreeWideEnoughForBothThreadsCountsAsTheFileSystemListsIt) {
    // Fault this pins: the count kept only what its first thread counted, and a tree narrower than
    // the split never showed it. 200 top folders of uneven depth and width, against a plain walk.
    TempDir tmp;
    for (int i = 0; i < 200; ++i) {
        const std::string top = "t" + std::to_string(i);
        for (int j = 0; j < i % 7; ++j) tmp.MakeFile(top + "/d" + std::to_string(j % 3) + "/f" + std::to_string(j));
        tmp.MakeDir(top + "/empty");
    }
    std::int32_t dirs = 0, files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(tmp.Path()))
        ++(entry.is_directory() && !entry.is_symlink() ? dirs : files);
    ScanColumns record;
    CountFolder(tmp.Path(), &record);
    EXPECT_EQ(record.nDirCount, dirs);
    EXPECT_EQ(record.nFileCount, files);
}

TEST(CountThreadTest, ATopFolderSwappedForAnotherAfterTheListingIsNotCounted) {
    // The count shares its top folders between two walks, each checked to be still the folder the
    // listing showed: one counted unchecked adds whatever folder has its name by then.
    TempDir tmp;
    TopFolderSwap swap(tmp);
    ScanColumns record;
    CountFolder(swap.Root(), &record);
    ASSERT_TRUE(swap.HasSwapped());
    EXPECT_EQ(record.nDirCount, TopFolderSwap::kTops);
    EXPECT_EQ(record.nFileCount, TopFolderSwap::kTops - 1);  // the swapped folder's file went with it
}

TEST(CountThreadTest, WorkerPublishesPerDriveCountsAndClearsTheThread) {
    TempDir c, d, e;
    c.MakeFile("A/one");
    c.MakeFile("A/two");
    d.MakeFile("x");
    d.MakeFile("y/z/w");
    ScopedEnv drives("ZORBIN_DRIVES",
                     "C=" + c.Path() + ",D=" + d.Path() + ",E=" + e.Path() + ",F=" + e.Path() + "/gone");
    CDriveScanner scanner;
    ASSERT_TRUE(scanner.GetDriveLetters());
    ASSERT_STREQ(g_szDrives, "CDEF");
    for (int i = 0; i < 4; ++i) g_dDirCount[i] = g_dFileCount[i] = -1;

    // The view that starts the count is closed at once: the worker must not count into it.
    auto* view = new ScanColumns;
    scanner.StartCountThread(view);
    delete view;
    ASSERT_TRUE(CountEndsWithin(30s));
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

TEST(CountThreadTest, OneCountAtATime) {
    TempDir c;
    for (const char* dir : {"a/b", "c/d", "e/f", "g"}) c.MakeDir(dir);
    ScopedEnv drives("ZORBIN_DRIVES", "C=" + c.Path());
    CDriveScanner scanner;
    ASSERT_TRUE(scanner.GetDriveLetters());
    // Every listing of every walk is logged with its thread, slowly enough that two counts running
    // side by side would interleave.
    std::mutex mutex;
    std::vector<std::thread::id> listings;
    const auto previous = CDirWalker::SetListingHook([&](std::string_view) {
        std::this_thread::sleep_for(2ms);
        std::lock_guard<std::mutex> lock(mutex);
        listings.push_back(std::this_thread::get_id());
        return true;
    });
    ScanColumns view;
    scanner.StartCountThread(&view);
    scanner.StartCountThread(&view);  // waits for the first
    scanner.StartCountThread(&view);
    const bool ended = CountEndsWithin(30s);
    CDirWalker::SetListingHook(previous);
    ASSERT_TRUE(ended);
    ASSERT_EQ(listings.size(), 3u * 8u);  // the root and seven directories, three times
    for (std::size_t i = 0; i < listings.size(); ++i)
        EXPECT_EQ(listings[i], listings[i / 8 * 8]) << "listing " << i << " belongs to another count";
    EXPECT_EQ(g_dDirCount[0], 7);
    EXPECT_EQ(view.nDirCount, 0);  // the view's record is never written by a worker
}

}  // namespace
