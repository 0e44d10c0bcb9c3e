#include "commands/SpaceToGain.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

// Runs of random size whose files are copies, links of an earlier file of the run, or files of
// unknown identity, shuffled; against the sum over runs of (distinct inodes - 1) * length.
TEST(SpaceToGainTest, CountsEachInodeOfARunOnceAndKeepsOneCopy) {
    std::mt19937 random(7);
    const std::vector<std::string> keys = {"a|10", "b|10", "a|7", "c|0", "d|123456789012"};
    for (int round = 0; round < 20; ++round) {
        std::vector<CSpaceToGain::File> files;
        std::map<std::string, std::set<std::pair<std::uint64_t, std::uint64_t>>> inodes;
        std::map<std::string, std::uint64_t> unknown, lengths;
        std::uint64_t nextInode = 1;
        for (const std::string& key : keys) {
            const std::uint64_t length = std::stoull(key.substr(key.find('|') + 1));
            lengths[key] = length;
            const int n = 2 + static_cast<int>(random() % 5);
            std::vector<std::uint64_t> made;
            for (int i = 0; i < n; ++i) {
                CSpaceToGain::File file{key, length};
                const unsigned kind = random() % 4;
                if (kind == 0) {
                    ++unknown[key];
                } else {
                    file.bIdentity = true;
                    file.device = random() % 2;  // the same inode number on two devices is two files
                    file.inode = kind == 1 && !made.empty() ? made[random() % made.size()] : nextInode++;
                    made.push_back(file.inode);
                    inodes[key].insert({file.device, file.inode});
                }
                files.push_back(file);
            }
        }
        std::shuffle(files.begin(), files.end(), random);
        std::uint64_t expected = 0;
        for (const auto& [key, length] : lengths) expected += (inodes[key].size() + unknown[key] - 1) * length;
        const CSpaceToGain::Figures figures = CSpaceToGain::Count(files);
        EXPECT_EQ(figures.runs, static_cast<std::int64_t>(keys.size()));
        EXPECT_EQ(figures.files, static_cast<std::int64_t>(files.size()));
        EXPECT_EQ(figures.bytes, expected) << "round " << round;
    }
    EXPECT_EQ(CSpaceToGain::Text({3, 7, 12345678901ull}), " 3 runs, 7 files, 12345678901 bytes to gain");
    EXPECT_EQ(CSpaceToGain::Text({1, 2, 1}), " 1 run, 2 files, 1 byte to gain");
}

}  // namespace
