#include "store/TextColumn.h"
#include "store/TimeText.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>

namespace {

enum class Kind { Text, Prefixed, Time };

class TextColumnTest : public testing::TestWithParam<Kind> {};

// Texts each kind of column meets: any bytes; paths that share beginnings of every length with the
// one before (past the 2-byte limits too); time texts, empty cells and texts that only look like times.
std::string MakeText(Kind kind, std::mt19937& random, const std::vector<std::string>& before) {
    const auto pick = [&random](std::size_t n) { return static_cast<std::size_t>(random() % n); };
    const std::size_t lengths[] = {0, 1, 5, 64, 65534, 65535, 70000};
    std::string text(lengths[pick(7)], static_cast<char>('a' + pick(26)));
    if (!text.empty() && pick(4) == 0) text[pick(text.size())] = '\0';
    if (kind == Kind::Prefixed && !before.empty() && pick(4) != 0) {
        const std::string& last = pick(4) ? before.back() : before[pick(before.size())];
        text = last.substr(0, pick(last.size() + 1)) + text.substr(0, pick(20));
    }
    if (kind == Kind::Time && pick(8) != 0) {
        char buf[64];
        const unsigned day = 1 + pick(31), month = 1 + pick(12), second = pick(61);
        std::snprintf(buf, sizeof buf, "%02u/%02u/%04u %02zu:%02zu:%02u", day, month,
                      static_cast<unsigned>(pick(3) ? 1970 + pick(100) : pick(10000)), pick(24), pick(60), second);
        text = pick(10) ? buf : pick(2) ? "" : std::string(buf) + " ";
    }
    return text;
}

// Random adds, rewrites, truncations, moves and clears against a plain vector of strings: every
// element keeps its bytes (NULs and lengths past the 2-byte limit included) and a NUL after it,
// however the column keeps it.
TEST_P(TextColumnTest, RandomEditsAgreeWithAVectorOfStrings) {
    const Kind kind = GetParam();
    std::mt19937 random(7);
    const auto pick = [&random](std::size_t n) { return static_cast<std::size_t>(random() % n); };
    CTextColumn column;
    std::vector<std::string> reference;
    const auto start = [&] {
        if (kind == Kind::Prefixed) column.SetPrefixCoded();
        if (kind == Kind::Time) column.AddTime(false, 0), reference.emplace_back();
    };
    start();
    for (int step = 0; step < 3000; ++step) {
        const std::size_t op = pick(100), size = reference.size();
        std::string text = MakeText(kind, random, reference);
        if (kind == Kind::Time && op < 20) {
            // A file time, as a scan adds it: the column writes the text AppendTimeText writes.
            const std::int64_t t = static_cast<std::int64_t>(random()) * (pick(2) ? 1 : -1) * (pick(3) ? 1 : 97);
            const bool known = pick(5) != 0;
            column.AddTime(known, t);
            reference.push_back(known ? TimeText(t) : "");
        } else if (op < 70 || size == 0) {
            // Half the time a text of the column itself: the add may move the buffer it reads from.
            const std::size_t own = op % 2 ? pick(size + 1) : size;
            const CCellText cell = column[own];
            column.Add(own < size ? cell.View() : std::string_view(text));
            reference.push_back(own < size ? reference[own] : text);
        } else if (op < 90) {
            // Past the end is ignored; half the time the text is the column's own.
            const std::size_t i = pick(size + 2), own = op % 2 ? pick(size) : size;
            if (own < size) text = reference[own];
            const CCellText cell = column[own];
            column.SetAt(i, own < size ? cell.View() : std::string_view(text));
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
            start();
        }
        ASSERT_EQ(column.GetSize(), reference.size()) << step;
        ASSERT_EQ(column[reference.size() - 1], reference.empty() ? "" : reference.back()) << step;
        std::uint64_t bytes = 0;
        for (const std::string& t : reference) bytes += t.size();
        ASSERT_EQ(column.TextBytes(), bytes) << step;
    }
    // Copies element by element and in ranges that start anywhere in a block.
    CTextColumn copy;
    for (std::size_t i = 0; i < reference.size();) {
        const std::size_t end = std::min(reference.size(), i + pick(40));
        if (end == i)
            copy.AddFrom(column, i++);
        else
            copy.AddRange(column, i, end), i = end;
    }
    for (std::size_t i = 0; i < reference.size(); ++i) {
        const CCellText cell = column[i];
        ASSERT_EQ(std::string(cell.data(), cell.size() + 1), reference[i] + '\0') << i;
        ASSERT_EQ(copy[i], reference[i]) << i;
    }
    // A missing element reads as an empty text that atof may take: not a null pointer.
    EXPECT_EQ(std::atof(column[reference.size() + 3].data()), 0.0);
}

INSTANTIATE_TEST_SUITE_P(Kinds, TextColumnTest, testing::Values(Kind::Text, Kind::Prefixed, Kind::Time));

}  // namespace
