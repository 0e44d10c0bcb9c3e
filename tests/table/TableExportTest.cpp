#include "WindowFixture.h"

#include "app/MainFrame.h"
#include "app/ZorbinApp.h"
#include "table/ListView_Table.h"
#include "table/TableKind.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QTest>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

namespace fs = std::filesystem;
using TableExportTest = WindowFixture;

// Names a spreadsheet's reader must take apart correctly, and bytes that are not UTF-8.
const char* const kNames[] = {"a,b.txt",    "q\"uote\"",       "new\nline", "tab\tname",
                              "semi;colon", "bad\xff\xfe.bin", "plain"};

// The same lines from the table itself: the column names, then the rows.
std::string Expected(const CListView_Table* table, const std::vector<int>& rows) {
    std::string out;
    const std::vector<std::string> names = {"Path", "Name", "Ext", "Length", "Created", "Modified", "Accessed"};
    for (std::size_t c = 0; c < names.size(); ++c) out += (c ? " " : "") + HexText(names[c]);
    out += "\n";
    for (const int r : rows) {
        for (int c = 0; c < 7; ++c) out += (c ? " " : "") + HexText(std::string(table->GetItemText(r, c)));
        out += "\n";
    }
    return out;
}

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST_F(TableExportTest, ExportWritesCsvOrTsvThatAReaderTakesBackAndFailsWithoutAHalfFile) {
    for (const char* name : kNames) m_dir.MakeFile(std::string("C/") + name, name);
    const std::string out = m_dir.MakeDir("out");
    Start();
    CListView_Table* table = Open(Files, 0);
    std::vector<int> all(static_cast<std::size_t>(table->GetItemCount()));
    for (std::size_t r = 0; r < all.size(); ++r) all[r] = static_cast<int>(r);
    ASSERT_EQ(all.size(), std::size(kNames));
    std::string target;
    theApp.m_promptExportName = [&] { return target; };
    for (const auto& [name, dialect] : {std::pair("t.csv", "excel"), std::pair("t.TSV", "excel-tab")}) {
        target = out + "/" + name;
        std::ofstream(target) << "old";  // replaced whole
        table->Export();
        EXPECT_EQ(ReadCsvWithPython(target, dialect), Expected(table, all)) << name;
    }
    EXPECT_EQ(Slurp(out + "/t.csv").substr(0, 6), "Path,N");
    EXPECT_NE(Slurp(out + "/t.csv").find("\r\n"), std::string::npos);  // RFC 4180 line ends
    EXPECT_TRUE(m_boxes.boxes.empty());

    // A name that cannot take a file (a folder stands there): a message with the reason, the folder
    // untouched, no temporary file left beside it.
    target = m_dir.MakeDir("out/taken.csv");
    table->Export();
    ASSERT_EQ(m_boxes.boxes.size(), 1u);
    EXPECT_NE(m_boxes.boxes[0].text.find("Is a directory"), std::string::npos) << m_boxes.boxes[0].text;
    EXPECT_TRUE(fs::is_directory(target));
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(out)) left.push_back(entry.path().filename());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"t.TSV", "t.csv", "taken.csv"}));
}

TEST_F(TableExportTest, CtrlCPutsTheSelectedRowsOnTheClipboardAsTabSeparatedText) {
    for (const char* name : kNames) m_dir.MakeFile(std::string("C/") + name, name);
    Start();
    CListView_Table* table = Open(Files, 0);
    Activate();
    table->setFocus();
    table->SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
    table->SetItemState(3, LVIS_SELECTED, LVIS_SELECTED);
    table->SetItemState(5, LVIS_SELECTED, LVIS_SELECTED);
    QTest::keyClick(table, Qt::Key_C, Qt::ControlModifier);
    const QByteArray copied = QApplication::clipboard()->mimeData()->data("text/plain");
    const std::string file = m_dir.Path() + "/clipboard.tsv";
    std::ofstream(file, std::ios::binary).write(copied.data(), copied.size());
    EXPECT_EQ(ReadCsvWithPython(file, "excel-tab"), Expected(table, {1, 3, 5}));
}

}  // namespace
