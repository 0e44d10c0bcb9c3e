#include "commands/SpaceToGain.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

namespace {

// Runs of random size whose files are copies, further names of an earlier file of the run, or
// files of unknown identity, shuffled; against the sum over runs of (files of their own - 1) * length,
// where a file of unknown identity is one of its own.
TEST(SpaceToGainTest, CountsEachInodeOfARunOnceAndKeepsOneCopy) {
    std::mt19937 random(7);
    const std::pair<const char*, std::uint64_t> runs[] = {
        {"a|10", 10}, {"b|10", 10}, {"a|7", 7}, {"c|0", 0}, {"d|123456789012", 123456789012}};
    for (int round = 0; round < 20; ++round) {
        std::vector<CSpaceToGain::File> files;
        std::uint64_t expected = 0, nextInode = 1;
        for (const auto& [key, length] : runs) {
            std::set<std::pair<std::uint64_t, std::uint64_t>> inodes;
            std::vector<std::uint64_t> made;
            std::uint64_t nUnknown = 0;
            for (int i = 2 + static_cast<int>(random() % 5); i > 0; --i) {
                CSpaceToGain::File file{key, length};
                const unsigned kind = random() % 4;  // 0: of unknown identity, 1: a further name, else a copy
                nUnknown += kind == 0;
                if (kind != 0) {
                    file.bIdentity = true;
                    file.device = random() % 2;  // the same inode number on two devices is two files
                    file.inode = kind == 1 && !made.empty() ? made[random() % made.size()] : nextInode++;
                    made.push_back(file.inode);
                    inodes.insert({file.device, file.inode});
                }
                files.push_back(file);
            }
            expected += (inodes.size() + nUnknown - 1) * length;
        }
        std::shuffle(files.begin(), files.end(), random);
        const CSpaceToGain::Figures figures = CSpaceToGain::Count(files);
        EXPECT_EQ(figures.runs, static_cast<std::int64_t>(std::size(runs)));
        EXPECT_EQ(figures.files, static_cast<std::int64_t>(files.size()));
        EXPECT_EQ(figures.bytes, expected) << "round " << round;
    }
    EXPECT_EQ(CSpaceToGain::Text({3, 7, 12345678901ull}), " 3 runs, 7 files, 12345678901 bytes to gain");
    EXPECT_EQ(CSpaceToGain::Text({1, 2, 1}), " 1 run, 2 files, 1 byte to gain");
}

}  // namespace
