#include "WindowFixture.h"

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;
using CheckContentsTest = WindowFixture;

std::string Trimmed(const std::string& cell) { return cell.substr(cell.find_first_not_of(' ')); }

TEST_F(CheckContentsTest, DoublesShowTheirSpaceToGainAndCheckContentsKeepsEqualBytesInGroups) {
    for (const char* path : {"C/1/a.txt", "C/2/a.txt", "C/5/a.txt"}) m_dir.MakeFile(path, "same");
    m_dir.MakeFile("C/4/a.txt", "diff");
    fs::create_hard_link(m_driveC + "/1/a.txt", m_dir.MakeDir("C/3") + "/a.txt");
    m_dir.MakeFile("C/1/b", "xy");
    m_dir.MakeFile("C/2/b", "zz");
    Start();
    CListView_Table* files = Open(Files, 0);
    SortBy(files, 1, false);
    files->FindDoubles();
    CListView_Table* doubles = ActiveTable();
    ASSERT_EQ(doubles->GetItemCount(), 7);
    // a.txt: 4 inodes of 4 bytes (3/ is a second name of 1/), so 3 copies to gain; b: 2 of 2 bytes.
    EXPECT_NE(Pane0().find(" 2 runs, 7 files, 14 bytes to gain"), std::string::npos) << Pane0();

    // Only a Doubles table takes the command; the Files table greys it.
    Frame()->UpdateCommandUI();
    EXPECT_TRUE(Frame()->GetAction(ID_CHECK_CONTENTS)->isEnabled());
    Frame()->GetMdiArea()->setActiveSubWindow(Children()[Children().size() - 2]);
    Frame()->UpdateCommandUI();
    EXPECT_FALSE(Frame()->GetAction(ID_CHECK_CONTENTS)->isEnabled());

    // Changed after the table was made: left out and counted.
    std::ofstream(m_driveC + "/5/a.txt", std::ios::app) << "!";
    const std::size_t windows = Children().size();
    doubles->CheckContents();
    ASSERT_EQ(Children().size(), windows + 1);
    CListView_Table* same = ActiveTable();
    EXPECT_EQ(same->GetDocument()->GetTitle(), doubles->GetDocument()->GetTitle() + ", same content");
    ASSERT_EQ(m_boxes.boxes.size(), 1u);
    EXPECT_EQ(m_boxes.boxes[0].text,
              "0 files could not be read and 1 have changed since the table was made: they are left out.");
    // 1/, 2/ and 3/a.txt in the Doubles table's order, one group; the later name of 1/'s inode a link.
    std::vector<std::string> expected, got;
    int nNamesOfOne = 0;
    for (const std::string& cell : Column(doubles, 0)) {
        const std::string path = Trimmed(cell), folder = path.substr(m_driveC.size() + 1, 1);
        if (path.ends_with("/a.txt") && folder < "4")
            expected.push_back(path + (folder != "2" && nNamesOfOne++ ? " 1 link" : " 1"));
    }
    for (const Row& row : Rows(same, 8)) got.push_back(Trimmed(row[0]) + " " + Trimmed(row[7]));
    EXPECT_EQ(got, expected);
    EXPECT_NE(Pane0().find(" 1 run, 3 files, 4 bytes to gain"), std::string::npos) << Pane0();
}

}  // namespace
