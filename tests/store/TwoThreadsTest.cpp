#include "store/TwoThreads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

// Each part runs once, the second on a thread of its own only when asked: the callers' results
// must not depend on whether a second thread ran. A part's exception reaches the caller only after
// the other part has ended: a caller that unwinds while that part still writes its data would free
// it under that part.
TEST(TwoThreadsTest, RunsEachPartOnceOnTheThreadsAskedForAndRethrowsOnlyAfterBothEnded) {
    const std::pair<bool, int> runs[] = {{false, -1}, {true, -1}, {true, 0}, {true, 1}};  // two threads?, thrower
    for (const auto& [bTwo, thrower] : runs) {
        std::atomic<int> ended[2] = {0, 0};
        std::thread::id ran[2];
        const auto run = [&, bTwo = bTwo, thrower = thrower] {
            RunInTwoParts(bTwo, [&](int part) {
                ran[part] = std::this_thread::get_id();
                if (part == thrower) throw std::runtime_error("part " + std::to_string(part));
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                ++ended[part];
            });
        };
        if (thrower < 0)
            EXPECT_NO_THROW(run());
        else
            EXPECT_THROW(run(), std::runtime_error);
        for (const int part : {0, 1}) EXPECT_EQ(ended[part].load(), part == thrower ? 0 : 1) << bTwo << thrower;
        EXPECT_EQ(ran[0], std::this_thread::get_id());
        EXPECT_EQ(ran[1] != std::this_thread::get_id(), bTwo);
    }
}
