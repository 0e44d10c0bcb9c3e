#include "platform/TextColumn.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

// Random adds, rewrites, truncations, moves and clears against a plain vector of strings: every
// element keeps its bytes (NULs and lengths past the 2-byte limit included) and a NUL after it.
TEST(TextColumnTest, RandomEditsAgreeWithAVectorOfStrings) {
    std::mt19937 random(7);
    CTextColumn column;
    std::vector<std::string> reference;
    auto text = [&] {
        const std::size_t lengths[] = {0, 1, 5, 64, 65534, 65535, 70000};
        std::string t(lengths[random() % 7], static_cast<char>('a' + random() % 26));
        if (!t.empty() && random() % 4 == 0) t[random() % t.size()] = '\0';
        return t;
    };
    for (int step = 0; step < 3000; ++step) {
        const unsigned op = random() % 100;
        if (op < 70 || reference.empty()) {
            if (!reference.empty() && op % 2) {
                // A text of the column itself: the add may move the buffer it reads from.
                const std::size_t i = random() % reference.size();
                column.Add(column[i]);
                reference.push_back(reference[i]);
            } else {
                const std::string t = text();
                column.Add(t);
                reference.push_back(t);
            }
        } else if (op < 90) {
            const std::size_t i = random() % (reference.size() + 2);  // past the end is ignored
            const std::string t = text();
            column.SetAt(i, t);
            if (i < reference.size()) reference[i] = t;
        } else if (op < 97) {
            const std::size_t n = random() % (reference.size() + 1);
            column.Truncate(n);
            reference.resize(n);
        } else if (op < 99) {
            CTextColumn moved(std::move(column));
            EXPECT_TRUE(column.IsEmpty());
            column = std::move(moved);
        } else {
            column.RemoveAll();
            reference.clear();
            EXPECT_EQ(column.HeapBytes(), 0u);  // memory given back, not just emptied
        }
        ASSERT_EQ(column.GetSize(), reference.size()) << "step " << step;
    }
    std::uint64_t bytes = 0;
    for (std::size_t i = 0; i < reference.size(); ++i) {
        ASSERT_EQ(column[i], reference[i]) << i;
        EXPECT_EQ(column[i].data()[column[i].size()], '\0') << i;
        bytes += reference[i].size();
    }
    EXPECT_EQ(column.TextBytes(), bytes);
    // A missing element reads as an empty text that atof may take: not a null pointer.
    ASSERT_NE(column[reference.size() + 3].data(), nullptr);
    EXPECT_EQ(std::atof(column[reference.size() + 3].data()), 0.0);
}

}  // namespace
