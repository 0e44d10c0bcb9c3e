#include "TestSupport.h"
#include "commands/TableText.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// Rows of cells of random bytes, every byte value included, and the cells that need quotes in
// either format; written by CTableText and read back by Python's csv module.
TEST(TableTextTest, CellsOfAnyBytesComeBackThroughACsvReaderInBothFormats) {
    std::mt19937 random(5);
    std::vector<std::vector<std::string>> rows = {
        {"a,b", "q\"uote\"", "new\nline", "tab\tname", "semi;colon", "bad\xff\xfe", "cr\rlf\r\n", "\"", ""},
    };
    for (int r = 0; r < 20; ++r) {
        std::vector<std::string> row;
        for (int c = 0; c < 5; ++c) {
            std::string cell(random() % 12, '\0');
            for (char& byte : cell) byte = static_cast<char>(1 + random() % 255);  // NUL is no text byte
            row.push_back(cell);
        }
        rows.push_back(row);
    }
    TempDir dir;
    for (const auto& [format, dialect, lineEnd] :
         {std::tuple(CTableText::Csv, "excel", "\r\n"), std::tuple(CTableText::Tsv, "excel-tab", "\n")}) {
        const CTableText text(format);
        std::string bytes, expected;
        for (const auto& row : rows) {
            for (std::size_t c = 0; c < row.size(); ++c) {
                text.AppendCell(row[c], c == 0, bytes);
                expected += (c ? " " : "") + HexText(row[c]);
            }
            text.AppendLineEnd(bytes);
            expected += "\n";
        }
        EXPECT_EQ(bytes.substr(0, 6), format == CTableText::Csv ? "\"a,b\"," : "a,b\t\"q");
        EXPECT_EQ(bytes.substr(bytes.size() - std::string(lineEnd).size()), lineEnd);
        const std::string file = dir.MakeFile(dialect, bytes);
        EXPECT_EQ(ReadCsvWithPython(file, dialect), expected) << dialect;
    }
}

TEST(TableTextTest, TheFileNameChoosesTheFormat) {
    EXPECT_EQ(CTableText::FormatOf("/x/rows.csv"), CTableText::Csv);
    EXPECT_EQ(CTableText::FormatOf("/x/rows"), CTableText::Csv);
    EXPECT_EQ(CTableText::FormatOf("/x.tsv/rows"), CTableText::Csv);  // a folder's dot is no extension
    for (const char* name : {"rows.tsv", "ROWS.TSV", "a.b.tab", "rows.Txt"})
        EXPECT_EQ(CTableText::FormatOf(name), CTableText::Tsv) << name;
}

}  // namespace
