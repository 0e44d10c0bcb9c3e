#include "commands/ResultLines.h"
#include "platform/ListCtrl.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Split(std::string_view line) {
    std::vector<std::string> pieces;
    for (std::string_view piece : SplitResultLine(line)) pieces.emplace_back(piece);
    return pieces;
}

}  // namespace

TEST(ResultLinesTest, SplitCutsAtEveryRunOfSemicolonsAndTrimsNothing) {
    struct Case {
        const char* line;
        std::vector<std::string> pieces;
    };
    const Case cases[] = {
        {" /t/a.txt; a.txt; txt; 12; c; m; a", {" /t/a.txt", " a.txt", " txt", " 12", " c", " m", " a"}},
        // An all-empty row: seven cells of one blank each.
        {" ; ; ; ; ; ; ", {" ", " ", " ", " ", " ", " ", " "}},
        // a;b.txt: path and name each cut in two, the last two times fall beyond column 6.
        {" /t/a;b.txt; a;b.txt; txt; 3; c; m; a",
         {" /t/a", "b.txt", " a", "b.txt", " txt", " 3", " c", " m", " a"}},
        // A run of ';' is one cut; a run at the start or end of the line gives no empty piece.
        {";;x;;;y;", {"x", "y"}},
        {"", {}},
        {";;;", {}},
        {"no separator", {"no separator"}},
    };
    for (const Case& c : cases) EXPECT_EQ(Split(c.line), c.pieces) << c.line;
}

TEST(ResultLinesTest, MakeResultLineWritesColumnsZeroToSixAsTheListHoldsThem) {
    CListCtrl list;
    for (int c = 0; c < 7; ++c) list.InsertColumn(c, "col", LVCFMT_LEFT, 50, c);
    list.InsertItem(0, "/t/x y.txt", 0);
    const char* cells[] = {nullptr, "x y.txt", "txt", "12", "", "01/02/2024 10:11:12", "a;b"};
    for (int c = 1; c < 7; ++c) list.SetItemText(0, c, cells[c]);
    list.InsertItem(1, "", 1);  // a row with no cells at all

    EXPECT_EQ(MakeResultLine(list, 0), " /t/x y.txt; x y.txt; txt; 12; ; 01/02/2024 10:11:12; a;b");
    EXPECT_EQ(MakeResultLine(list, 1), " ; ; ; ; ; ; ");
    // Read back, the row without ";" in its values gives its seven cells, each after one blank.
    list.SetItemText(0, 6, "ab");
    const std::vector<std::string> expected = {" /t/x y.txt", " x y.txt", " txt", " 12", " ",
                                               " 01/02/2024 10:11:12", " ab"};
    EXPECT_EQ(Split(MakeResultLine(list, 0)), expected);
}
