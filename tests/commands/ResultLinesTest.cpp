#include "commands/ResultLines.h"
#include "platform/ListCtrl.h"
#include "table/TableKind.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(ResultLinesTest, SplitCutsAtEveryRunOfSemicolonsAndTrimsNothing) {
    struct Case {
        std::string line;
        std::vector<std::string> pieces;
    };
    const Case cases[] = {
        {" /t/a.txt; a.txt; txt; 12; c; m; a", {" /t/a.txt", " a.txt", " txt", " 12", " c", " m", " a"}},
        // An all-empty row: seven cells of one blank each.
        {" ; ; ; ; ; ; ", {" ", " ", " ", " ", " ", " ", " "}},
        // Every ";" of a line cuts (a value's own ";" never stands there), also past column 6.
        {" /t/a;b.txt; a;b.txt; txt; 3; c; m; a",
         {" /t/a", "b.txt", " a", "b.txt", " txt", " 3", " c", " m", " a"}},
        // A NUL stands for a value's ";".
        {std::string(" a\0b;\0", 6), {" a;b", ";"}},
        // A run of ';' is one cut; a run at the start or end of the line gives no empty piece.
        {";;x;;;y;", {"x", "y"}},
        {"", {}},
        {";;;", {}},
        {"no separator", {"no separator"}},
    };
    for (const Case& c : cases) EXPECT_EQ(SplitResultLine(c.line), c.pieces) << c.line;
}

TEST(ResultLinesTest, CellsComeBackWholeAfterEveryHandOver) {
    // Fault mended: a ";" of a value cut it, so a Found row of "V; V; x; ; ; ; " named the file V,
    // and "notes;" came back as "notes". Every cell must come back as it was, after one blank per
    // hand-over.
    const std::vector<std::vector<std::string>> rows = {
        {"/t/x y.txt", "x y.txt", "txt", "12", "", "01/02/2024 10:11:12", "ab"},
        {"", "", "", "", "", "", ""},
        {"/t/;start", ";start", "", "1", "", "", ""},
        {"/t/mid;dle", "mid;dle", "", "2", "", "", ""},
        {"/t/end;", "end;", "", "3", "", "", ""},
        {"/t/a; b", "a; b", "", "4", "", "", ""},
        {"/t/;;", ";;", "", "5", "", "", ""},
        {"/t/x; ; ; ; ", "x; ; ; ; ", "", "6", "", "", ""},
        {"/t/V; V; x; ; ; ; ", "V; V; x; ; ; ; ", ";", " ", "; ", ";;", "x; "},
    };
    CListCtrl list;
    for (int c = 0; c < 7; ++c) list.InsertColumn(c, "col", LVCFMT_LEFT, 50, c);
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        list.InsertItem(r, rows[r][0], r);
        for (int c = 1; c < 7; ++c) list.SetItemText(r, c, rows[r][c]);
    }
    CListCtrl again;  // the rows of a table made from the first hand-over
    for (int c = 0; c < 7; ++c) again.InsertColumn(c, "col", LVCFMT_LEFT, 50, c);
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        std::vector<std::string> once = rows[r], twice = rows[r];
        for (std::string& cell : once) cell.insert(0, " ");
        for (std::string& cell : twice) cell.insert(0, "  ");
        const std::vector<std::string> cells = SplitResultLine(MakeResultLine(list, r));
        EXPECT_EQ(cells, once) << rows[r][0];
        again.InsertItem(r, cells.at(0), r);
        for (int c = 1; c < 7; ++c) again.SetItemText(r, c, cells.at(c));
        EXPECT_EQ(SplitResultLine(MakeResultLine(again, r)), twice) << rows[r][0];
    }
    // The form stays " %s; %s; %s; %s; %s; %s; %s" where no value holds a ";".
    EXPECT_EQ(MakeResultLine(list, 0), " /t/x y.txt; x y.txt; txt; 12; ; 01/02/2024 10:11:12; ab");
    EXPECT_EQ(MakeResultLine(list, 1), " ; ; ; ; ; ; ");
}

TEST(ResultLinesTest, EntryCellsDropTheBlanksOfEveryHandOver) {
    // Fault mended: a Found table made from a Found table kept one of its two blanks before the
    // path, and opening handed " /path" to the opener.
    struct Case {
        int kind;
        std::vector<std::string> row;
        std::vector<std::string> entry;  // empty: the row names no entry
    };
    const std::vector<std::string> plain = {"/t/ x", " x", "", "1", "", "", ""};
    const Case cases[] = {
        {Files, plain, plain},
        {Found, {" /t/ x", "  x", " ", " 1", " ", " ", " "}, plain},
        {Doubles, {"  /t/ x", "   x", "  ", "  1", "  ", "  ", "  "}, plain},
        {Found, {"  /t/ x", " x", "  ", "  1", "  ", "  ", "  "}, {}},   // a cell with fewer blanks
        {Found, {"/t/ x", " x", "", "1", "", "", ""}, {}},                  // no blank: not handed over
        {Found, {"    C", " ", " ", " 1", " ", " ", " "}, {}},              // a drive's row: no path
    };
    for (const Case& c : cases) {
        CListCtrl list;
        for (int col = 0; col < 7; ++col) list.InsertColumn(col, "col", LVCFMT_LEFT, 50, col);
        list.InsertItem(0, c.row[0], 0);
        for (int col = 1; col < 7; ++col) list.SetItemText(0, col, c.row[col]);
        std::string_view cells[7];
        const bool bEntry = GetEntryCells(list, 0, c.kind, cells);
        EXPECT_EQ(bEntry, !c.entry.empty()) << c.row[0];
        if (bEntry) {
            EXPECT_EQ(std::vector<std::string>(cells, cells + 7), c.entry) << c.row[0];
        }
    }
}
