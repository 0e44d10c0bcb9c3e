#include "platform/TextColumn.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace {

// Every element reads back as added, followed by a NUL that is not part of it.
void ExpectElements(const CTextColumn& column, const std::vector<std::string>& expected) {
    ASSERT_EQ(column.GetSize(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const std::string_view text = column[i];
        EXPECT_EQ(text, expected[i]) << "element " << i;
        ASSERT_NE(text.data(), nullptr);
        EXPECT_EQ(text.data()[text.size()], '\0') << "element " << i;
    }
}

TEST(TextColumnTest, EmptyAndOrdinaryElementsKeepTheirBytesAndNulTerminators) {
    CTextColumn column;
    const std::vector<std::string> texts = {"", "abc", "", std::string("a\0b", 3), "\xff\xfe", "x"};
    for (const auto& text : texts) column.Add(text);
    ExpectElements(column, texts);
    EXPECT_EQ(column.TextBytes(), 3u + 3u + 2u + 1u);
    EXPECT_FALSE(column.IsEmpty());
}

TEST(TextColumnTest, LongElementsAnywhereInABlockOfOffsets) {
    // Lengths are kept in 2 bytes; from 65535 bytes on they are kept apart.
    CTextColumn column;
    std::vector<std::string> expected;
    for (int i = 0; i < 100; ++i) {
        const std::size_t length = i % 13 == 5 ? 65535 + i % 3 : i % 17 == 3 ? 65534 : static_cast<std::size_t>(i % 7);
        expected.push_back(std::string(length, static_cast<char>('a' + i % 26)));
        column.Add(expected.back());
    }
    ExpectElements(column, expected);
    column.Truncate(37);
    expected.resize(37);
    column.Add(std::string(70000, 'z'));
    expected.push_back(std::string(70000, 'z'));
    column.SetAt(37, "short again");
    expected.back() = "short again";
    column.Add("after");
    expected.push_back("after");
    ExpectElements(column, expected);
    std::uint64_t bytes = 0;
    for (const auto& text : expected) bytes += text.size();
    EXPECT_EQ(column.TextBytes(), bytes);
}

TEST(TextColumnTest, ElementPastTheEndReadsAsAnEmptyTerminatedText) {
    // A missing element used to come back as a default string_view, whose data() is null: the
    // numeric sorts hand data() to atof, which then read address 0.
    CTextColumn column;
    for (const std::size_t i : {std::size_t{0}, std::size_t{5}}) {
        const std::string_view text = column[i];
        EXPECT_TRUE(text.empty());
        ASSERT_NE(text.data(), nullptr);
        EXPECT_EQ(std::atof(text.data()), 0.0);
    }
    column.Add("1");
    EXPECT_TRUE(column[1].empty());
    ASSERT_NE(column[1].data(), nullptr);
}

TEST(TextColumnTest, SetAtRewritesTheLastElementInPlaceAndKeepsOlderOnesApart) {
    CTextColumn column;
    column.Add("first");
    column.Add("second");
    column.Add("third");
    column.SetAt(2, "3rd, longer than before");
    column.SetAt(0, "1");
    column.SetAt(1, "");
    column.SetAt(7, "ignored");  // no such element
    ExpectElements(column, {"1", "", "3rd, longer than before"});
    EXPECT_EQ(column.TextBytes(), 1u + 0u + 23u);

    // The last element again, after an older one went aside, and then more elements.
    column.SetAt(2, "three");
    column.Add("four");
    ExpectElements(column, {"1", "", "three", "four"});
    EXPECT_EQ(column.TextBytes(), 1u + 5u + 4u);
}

TEST(TextColumnTest, AddAndSetAtTakeTextsOutOfTheArrayItself) {
    // col.Add(col[0]) passes a view into the array's own buffer; when the buffer grew, the old one
    // was freed before the copy read from it.
    CTextColumn column;
    const std::string first(3000, 'q');
    column.Add(first);
    std::vector<std::string> expected = {first};
    for (int i = 0; i < 40; ++i) {  // enough to move the buffer several times
        column.Add(column[0]);
        expected.push_back(first);
    }
    column.SetAt(column.GetSize() - 1, column[column.GetSize() - 1].substr(10));
    expected.back() = first.substr(10);
    ExpectElements(column, expected);
}

TEST(TextColumnTest, MoveHandsTheBufferOverAndLeavesTheSourceEmpty) {
    CTextColumn source;
    source.Add("path/one");
    source.Add("path/two");
    source.SetAt(0, "replaced");
    const char* bytes = source[1].data();

    CTextColumn moved(std::move(source));
    EXPECT_EQ(moved[1].data(), bytes);  // the same bytes, not a copy
    ExpectElements(moved, {"replaced", "path/two"});
    EXPECT_TRUE(source.IsEmpty());
    EXPECT_EQ(source.HeapBytes(), 0u);

    CTextColumn assigned;
    assigned.Add("old");
    assigned = std::move(moved);
    EXPECT_EQ(assigned[1].data(), bytes);
    ExpectElements(assigned, {"replaced", "path/two"});
    EXPECT_TRUE(moved.IsEmpty());
    moved.Add("usable again");
    ExpectElements(moved, {"usable again"});
}

TEST(TextColumnTest, TruncateAndRemoveAll) {
    CTextColumn column;
    for (int i = 0; i < 1000; ++i) column.Add("element " + std::to_string(i));
    column.SetAt(5, "five");
    column.SetAt(600, "six hundred");
    column.Truncate(10);
    ASSERT_EQ(column.GetSize(), 10u);
    EXPECT_EQ(column[5], "five");
    EXPECT_EQ(column[9], "element 9");
    column.Add("next");
    EXPECT_EQ(column[10], "next");

    EXPECT_GT(column.HeapBytes(), 0u);
    column.RemoveAll();
    EXPECT_TRUE(column.IsEmpty());
    EXPECT_EQ(column.HeapBytes(), 0u);  // memory given back, not just emptied
    EXPECT_EQ(column.TextBytes(), 0u);
    column.Add("again");
    ExpectElements(column, {"again"});
}

}  // namespace
