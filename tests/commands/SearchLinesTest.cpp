#include "WindowFixture.h"

#include "commands/ResultLines.h"
#include "commands/SearchLines.h"
#include "framework/ListCtrl.h"

#include <algorithm>
#include <random>
#include <tuple>

// The result lines cut back into cells; the lines are gone after.
static std::vector<Row> TakeLines() {
    std::vector<Row> rows;
    for (std::size_t i = 0; i < g_aResultLines.GetSize(); ++i) {
        const CCellText line = g_aResultLines[i];
        rows.push_back(SplitResultLine(line));
    }
    g_aResultLines.RemoveAll();
    return rows;
}

// The rows as a table cut from their result lines shows them: a blank before every cell.
static std::vector<Row> HandedOver(std::vector<Row> rows) {
    for (Row& row : rows)
        for (std::string& cell : row) cell.insert(0, 1, ' ');
    return rows;
}

static std::string RandomText(std::mt19937& random, const std::string& alphabet, int nMaxLength) {
    std::string text(random() % (nMaxLength + 1), ' ');
    for (char& c : text) c = alphabet[random() % alphabet.size()];
    return text;
}

TEST(ResultLinesTest, CellsComeBackWholeAfterEveryHandOver) {
    // Fault mended: a ";" of a value cut it, so a Found row of "V; V; x; ; ; ; " named the file V
    // and "notes;" came back as "notes". Random cells of ";", blanks (before, inside, after) and letters.
    std::mt19937 random(9);
    std::vector<Row> rows(300, Row(7));
    for (std::size_t r = 0; r < rows.size(); ++r)
        for (std::string& cell : rows[r]) cell = RandomText(random, r % 2 ? "a; /\xC3\xA9" : "ab /.", 6);
    rows.insert(rows.end(), {Row{"/t/V; V; x; ; ; ; ", "V; V; x; ; ; ; ", ";", " ", "; ", ";;", "notes;"}, Row(7, "")});
    CListCtrl list;
    FillList(list, rows);
    for (int r = 0; r < list.GetItemCount(); ++r) g_aResultLines.Add(MakeResultLine(list.GetRows(), r));
    EXPECT_EQ(TakeLines(), HandedOver(rows));
    // Without a ";" in its cells a line is " %s; %s; %s; %s; %s; %s; %s".
    for (int r = 0; r < 300; r += 2) EXPECT_EQ(MakeResultLine(list.GetRows(), r), ResultLine(rows[r]));
    // Lines not written by a search: a run of ";" is one cut, and no piece is empty.
    EXPECT_EQ(SplitResultLine(";;x;;;y;"), (Row{"x", "y"}));
}

TEST(ResultLinesTest, EntryCellsDropTheBlanksOfEveryHandOver) {
    // Fault mended: a Found table made from a Found table kept one of its two blanks before the
    // path, and opening handed " /path" to the opener.
    const Row plain = {"/t/ x", " x", "", "1", "", "", ""};
    const std::tuple<TableKind, Row, bool> cases[] = {
        // the table's kind, its row, whether it names an entry
        {Files, plain, true},
        {Found, HandedOver({plain})[0], true},
        {Doubles, HandedOver(HandedOver({plain}))[0], true},
        {Found, {"  /t/ x", " x", "  ", "  1", "  ", "  ", "  "}, false},  // a cell with fewer blanks
        {Found, plain, false},                                             // not handed over
        {Found, {"    C", " ", " ", " 1", " ", " ", " "}, false},          // a drive's row: no path
    };
    for (const auto& [kind, row, bEntry] : cases) {
        CListCtrl list;
        FillList(list, {row});
        CCellText held[7];
        std::string_view cells[7];
        EXPECT_EQ(GetEntryCells(list.GetRows(), 0, kind, held, cells) ? Row(cells, cells + 7) : Row{},
                  bEntry ? plain : Row{});
    }
}

// The rows of the neighbouring runs of equal name (bytes: "a" is not "A") and length.
static std::vector<Row> PlainDoubles(const std::vector<Row>& rows) {
    auto same = [&](std::size_t i, std::size_t j) { return rows[i][1] == rows[j][1] && rows[i][3] == rows[j][3]; };
    std::vector<Row> doubles;
    for (std::size_t i = 0; i < rows.size(); ++i)
        if ((i > 0 && same(i - 1, i)) || (i + 1 < rows.size() && same(i, i + 1))) doubles.push_back(rows[i]);
    return doubles;
}

TEST(SearchLinesTest, FindAndDoublesWriteTheRowsOfAPlainReference) {
    // Random sorted tables of few names and lengths: runs, lone rows and equal rows apart all occur.
    // Find: names holding the text, ASCII in any case; a table without rows keeps the text as typed
    // (the Found title). In a table handed over once (Found) or twice (Doubles) the blanks of the
    // hand-over are no part of a name (fault mended: " " found every row of a Found table).
    // Doubles: neighbouring runs of equal name (bytes: "a" is not "A") and length.
    auto lower = [](std::string text) {
        std::replace(text.begin(), text.end(), 'A', 'a');  // the one capital of the names and texts
        return text;
    };
    std::mt19937 gen(13);
    for (int t = 0; t < 450; ++t) {
        std::vector<Row> rows(gen() % 12);
        for (std::size_t r = 0; r < rows.size(); ++r)
            rows[r] = {"/" + std::to_string(r), RandomText(gen, "aA; ", 2), "", std::to_string(gen() % 2), "", "", ""};
        std::stable_sort(rows.begin(), rows.end(), [](const Row& x, const Row& y) { return x[1] < y[1]; });
        const std::string text = RandomText(gen, "aA; ", 2);
        const TableKind kind = t % 3 == 0 ? Files : t % 3 == 1 ? Found : Doubles;
        std::vector<Row> table = rows, found;
        for (int k = 0; k < t % 3; ++k) table = HandedOver(table);
        for (std::size_t r = 0; r < rows.size(); ++r)
            if (lower(rows[r][1]).find(lower(text)) != std::string::npos) found.push_back(table[r]);
        CListCtrl list;
        FillList(list, table);
        if (kind == Files) WriteDoubleLines(list.GetRows());
        ASSERT_EQ(TakeLines(), kind == Files ? HandedOver(PlainDoubles(rows)) : std::vector<Row>{}) << "table " << t;
        g_strFind = text;
        WriteFoundLines(list.GetRows(), kind);
        EXPECT_EQ(g_strFind, rows.empty() ? text : lower(text));
        ASSERT_EQ(TakeLines(), HandedOver(found)) << "table " << t << ", text \"" << text << "\"";
    }
}

TEST(SearchLinesTest, DoublesOfATableBigEnoughForTwoThreadsMatchThePlainReference) {
    // A table from the two-thread size on is read in halves: a run across the middle must come out
    // whole, once, and the second half's lines after the first's.
    const int n = 70000;
    std::vector<Row> rows(n);
    for (int r = 0; r < n; ++r)
        rows[r] = {"/" + std::to_string(r), "n" + std::to_string(r / 3), "", std::to_string(r % 2), "", "", ""};
    for (int r = n / 2 - 3; r <= n / 2 + 3; ++r) rows[r][1] = "middle", rows[r][3] = "7";
    CListCtrl list;
    FillList(list, rows);
    WriteDoubleLines(list.GetRows());
    const std::vector<Row> doubles = PlainDoubles(rows);
    EXPECT_GE(doubles.size(), 7u);
    EXPECT_EQ(TakeLines(), HandedOver(doubles));
}
