#include "platform/TextColumn.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

namespace {

// Random adds, rewrites, truncations, moves and clears against a plain vector of strings: every
// element keeps its bytes (NULs and lengths past the 2-byte limit included) and a NUL after it.
TEST(TextColumnTest, RandomEditsAgreeWithAVectorOfStrings) {
    std::mt19937 random(7);
    const auto pick = [&random](std::size_t n) { return static_cast<std::size_t>(random() % n); };
    CTextColumn column;
    std::vector<std::string> reference;
    for (int step = 0; step < 3000; ++step) {
        const std::size_t lengths[] = {0, 1, 5, 64, 65534, 65535, 70000}, op = pick(100), size = reference.size();
        std::string text(lengths[pick(7)], static_cast<char>('a' + pick(26)));
        if (!text.empty() && pick(4) == 0) text[pick(text.size())] = '\0';
        if (op < 70 || size == 0) {
            // Half the time a text of the column itself: the add may move the buffer it reads from.
            const std::size_t own = op % 2 ? pick(size + 1) : size;
            column.Add(own < size ? column[own] : text);
            reference.push_back(own < size ? reference[own] : text);
        } else if (op < 90) {
            // Past the end is ignored; half the time the text is the column's own.
            const std::size_t i = pick(size + 2), own = op % 2 ? pick(size) : size;
            if (own < size) text = reference[own];
            column.SetAt(i, own < size ? column[own] : std::string_view(text));
            if (i < size) reference[i] = text;
        } else if (op < 97) {  // often just the last few, which may have been rewritten
            const std::size_t n = op < 94 ? pick(size + 1) : size - std::min(size, pick(3));
            column.Truncate(n);
            reference.resize(n);
        } else if (op < 99) {
            CTextColumn moved(std::move(column));
            column = std::move(moved);
        } else {
            column.RemoveAll();
            reference.clear();
            EXPECT_EQ(column.HeapBytes(), 0u);  // memory given back, not just emptied
        }
        ASSERT_EQ(column.GetSize(), reference.size()) << step;
        ASSERT_EQ(column[reference.size() - 1], reference.empty() ? "" : reference.back()) << step;
        std::uint64_t bytes = 0;
        for (const std::string& t : reference) bytes += t.size();
        ASSERT_EQ(column.TextBytes(), bytes) << step;
    }
    for (std::size_t i = 0; i < reference.size(); ++i)
        ASSERT_EQ(std::string(column[i].data(), column[i].size() + 1), reference[i] + '\0') << i;
    // A missing element reads as an empty text that atof may take: not a null pointer.
    EXPECT_EQ(std::atof(column[reference.size() + 3].data()), 0.0);
}

}  // namespace
