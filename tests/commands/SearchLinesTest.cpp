#include "WindowFixture.h"

#include "commands/ResultLines.h"
#include "commands/SearchLines.h"
#include "platform/ListCtrl.h"
#include "table/TableKind.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <random>

namespace {

void Fill(CListCtrl& list, const std::vector<Row>& rows) {
    if (list.GetColumnCount() == 0)
        for (int c = 0; c < 7; ++c) list.InsertColumn(c, "col", LVCFMT_LEFT, 50, c);
    list.DeleteAllItems();
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        list.InsertItem(r, rows[r][0], r);
        for (int c = 1; c < 7; ++c) list.SetItemText(r, c, rows[r][c]);
    }
}

// The result lines cut back into cells; the lines are gone after.
std::vector<Row> TakeLines() {
    std::vector<Row> rows;
    for (std::size_t i = 0; i < g_aResultLines.GetSize(); ++i) rows.push_back(SplitResultLine(g_aResultLines[i]));
    g_aResultLines.RemoveAll();
    return rows;
}

// The rows as a table cut from their result lines shows them: a blank before every cell.
std::vector<Row> HandedOver(std::vector<Row> rows) {
    for (Row& row : rows)
        for (std::string& cell : row) cell.insert(0, 1, ' ');
    return rows;
}

std::string RandomText(std::mt19937& random, const std::string& alphabet, int nMaxLength) {
    std::string text(random() % (nMaxLength + 1), ' ');
    for (char& c : text) c = alphabet[random() % alphabet.size()];
    return text;
}

}  // namespace

TEST(ResultLinesTest, CellsComeBackWholeAfterEveryHandOver) {
    // Fault mended: a ";" of a value cut it, so a Found row of "V; V; x; ; ; ; " named the file V
    // and "notes;" came back as "notes". Random cells of ";", blanks and letters, handed over twice.
    std::mt19937 random(9);
    std::vector<Row> rows = {Row{"/t/V; V; x; ; ; ; ", "V; V; x; ; ; ; ", ";", " ", "; ", ";;", "x; "}, Row(7, "")};
    for (int r = 0; r < 300; ++r) {
        Row row;
        for (int c = 0; c < 7; ++c) row.push_back(RandomText(random, r % 2 ? "a; /\xC3\xA9" : "ab /.", 6));
        rows.push_back(row);
    }
    CListCtrl list, again;
    Fill(list, rows);
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) g_aResultLines.Add(MakeResultLine(list, r));
    const std::vector<Row> once = TakeLines();
    ASSERT_EQ(once, HandedOver(rows));
    Fill(again, once);
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        // Without a ";" in its cells a line is " %s; %s; %s; %s; %s; %s; %s".
        if (r % 2 == 0 && r > 1) {
            EXPECT_EQ(MakeResultLine(list, r), ResultLine(rows[r]));
        }
        g_aResultLines.Add(MakeResultLine(again, r));
    }
    EXPECT_EQ(TakeLines(), HandedOver(once));
    // Lines not written by a search: a run of ";" is one cut, and no piece is empty.
    EXPECT_EQ(SplitResultLine(";;x;;;y;"), (Row{"x", "y"}));
    EXPECT_EQ(SplitResultLine(";;;"), Row{});
}

TEST(ResultLinesTest, EntryCellsDropTheBlanksOfEveryHandOver) {
    // Fault mended: a Found table made from a Found table kept one of its two blanks before the
    // path, and opening handed " /path" to the opener.
    struct Case {
        int kind;
        Row row;
        bool bEntry;
    };
    const Row plain = {"/t/ x", " x", "", "1", "", "", ""};
    const Case cases[] = {
        {Files, plain, true},
        {Found, HandedOver({plain})[0], true},
        {Doubles, HandedOver(HandedOver({plain}))[0], true},
        {Found, {"  /t/ x", " x", "  ", "  1", "  ", "  ", "  "}, false},  // a cell with fewer blanks
        {Found, plain, false},                                            // not handed over
        {Found, {"    C", " ", " ", " 1", " ", " ", " "}, false},         // a drive's row: no path
    };
    for (const Case& c : cases) {
        CListCtrl list;
        Fill(list, {c.row});
        std::string_view cells[7];
        ASSERT_EQ(GetEntryCells(list, 0, c.kind, cells), c.bEntry) << c.row[0];
        EXPECT_TRUE(!c.bEntry || Row(cells, cells + 7) == plain) << c.row[0];
    }
}

TEST(SearchLinesTest, FindWritesTheRowsWhoseNameHoldsTheTextInAnyCase) {
    // Against a plain reference: ASCII lower case, then a substring (the lowering beyond ASCII is
    // the lowering's own).
    auto lower = [](std::string text) {
        for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return text;
    };
    std::mt19937 random(11);
    std::vector<Row> rows;
    for (int r = 0; r < 400; ++r)
        rows.push_back({"/d/" + std::to_string(r), RandomText(random, "aAbB.;x ", 6), "", "1", "", "", ""});
    CListCtrl list;
    Fill(list, rows);
    for (int t = 0; t < 40; ++t) {
        const std::string text = RandomText(random, "aAbB.;x ", 3);
        std::vector<Row> expected;
        for (const Row& row : rows)
            if (lower(row[1]).find(lower(text)) != std::string::npos) expected.push_back(row);
        g_strFind = text;
        WriteFoundLines(list);
        EXPECT_EQ(g_strFind, lower(text));
        EXPECT_EQ(TakeLines(), HandedOver(expected)) << text;
    }
    // A table without rows keeps the text as typed, for the Found table's title.
    CListCtrl empty;
    g_strFind = "TXT";
    WriteFoundLines(empty);
    EXPECT_EQ(g_strFind, "TXT");
    g_strFind.clear();
}

TEST(SearchLinesTest, DoublesAreTheNeighbouringRunsOfEqualNameAndLength) {
    // Against a plain reference on random tables sorted by name, of few names (bytes: "a" is not
    // "A") and lengths, so runs, lone rows and equal rows apart all occur.
    std::mt19937 random(13);
    const char* const names[] = {"a", "A", "b"};
    for (int t = 0; t < 300; ++t) {
        std::vector<Row> rows(random() % 12);
        for (std::size_t r = 0; r < rows.size(); ++r)
            rows[r] = {"/d/" + std::to_string(r), names[random() % 3], "", std::to_string(1 + random() % 2), "", "", ""};
        std::stable_sort(rows.begin(), rows.end(), [](const Row& x, const Row& y) { return x[1] < y[1]; });
        auto same = [&](std::size_t i, std::size_t j) { return rows[i][1] == rows[j][1] && rows[i][3] == rows[j][3]; };
        std::vector<Row> expected;
        for (std::size_t i = 0; i < rows.size(); ++i)
            if ((i > 0 && same(i - 1, i)) || (i + 1 < rows.size() && same(i, i + 1))) expected.push_back(rows[i]);
        CListCtrl list;
        Fill(list, rows);
        WriteDoubleLines(list);
        ASSERT_EQ(TakeLines(), HandedOver(expected)) << "table " << t;
    }
}
