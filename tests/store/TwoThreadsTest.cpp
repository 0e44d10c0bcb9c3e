#include "store/TwoThreads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

// Each part runs once, with two threads or one, and the second on a thread of its own only when
// asked: the callers' results must not depend on whether a second thread ran.
TEST(TwoThreadsTest, RunsEachPartOnceOnTheThreadsAskedFor) {
    for (const bool bTwo : {false, true}) {
        std::atomic<int> runs[2] = {0, 0};
        std::thread::id ran[2];
        RunInTwoParts(bTwo, [&](int part) {
            ++runs[part];
            ran[part] = std::this_thread::get_id();
        });
        EXPECT_EQ(runs[0].load(), 1) << bTwo;
        EXPECT_EQ(runs[1].load(), 1) << bTwo;
        EXPECT_EQ(ran[0], std::this_thread::get_id()) << bTwo;
        EXPECT_EQ(ran[1] != std::this_thread::get_id(), bTwo);
    }
}

// An exception of the second thread reaches the caller, and only after the first part has ended:
// a caller that unwinds while the other part still writes its data would free it under that part.
TEST(TwoThreadsTest, RethrowsAPartsExceptionAfterBothHaveEnded) {
    for (const int thrower : {0, 1}) {
        std::atomic<bool> otherEnded{false};
        const auto run = [&] {
            RunInTwoParts(true, [&](int part) {
                if (part == thrower) throw std::runtime_error("part " + std::to_string(part));
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                otherEnded = true;
            });
        };
        EXPECT_THROW(run(), std::runtime_error) << thrower;
        EXPECT_TRUE(otherEnded.load()) << thrower;
    }
}
