#include "WindowFixture.h"

#include "app/MainFrame.h"
#include "app/Resource.h"
#include "commands/ResultLines.h"
#include "framework/Document.h"
#include "framework/MDIChildWnd.h"
#include "framework/ModalWork.h"
#include "table/ListView_Table.h"
#include "table/TableKind.h"

#include <QAction>
#include <QMdiArea>
#include <QTest>

#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <thread>

namespace {

namespace fs = std::filesystem;
using CheckContentsTest = WindowFixture;

std::string PathOf(const CListView_Table* table, int r) {
    CCellText held[7];
    std::string_view cells[7];
    EXPECT_TRUE(GetEntryCells(table->GetRows(), r, Doubles, held, cells));
    return std::string(cells[0]);
}

// " %d runs, %d files, %d bytes to gain" of rows grouped by key, from the test's own stat calls.
std::string Gain(const CListView_Table* table, const std::function<std::string(int)>& keyOf) {
    std::map<std::string, std::set<std::pair<dev_t, ino_t>>> inodes;
    std::map<std::string, long long> length;
    for (int r = 0; r < table->GetItemCount(); ++r) {
        struct stat st {};
        EXPECT_EQ(::lstat(PathOf(table, r).c_str(), &st), 0);
        inodes[keyOf(r)].insert({st.st_dev, st.st_ino});
        length[keyOf(r)] = st.st_size;
    }
    long long bytes = 0;
    for (const auto& [key, set] : inodes) bytes += static_cast<long long>(set.size() - 1) * length[key];
    return " " + std::to_string(inodes.size()) + " runs, " + std::to_string(table->GetItemCount()) + " files, " +
           std::to_string(bytes) + " bytes to gain";
}

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
    const std::vector<Row> rows = Rows(doubles);
    const auto nameAndLength = [&](int r) { return rows[r][1] + "|" + rows[r][3]; };
    const std::string gain = Gain(doubles, nameAndLength);
    EXPECT_EQ(gain, " 2 runs, 7 files, 14 bytes to gain");  // 4 inodes of 4 bytes, 2 of 2 bytes
    EXPECT_NE(Pane0().find(gain), std::string::npos) << Pane0();

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
    // The reference: the rows of the Doubles table whose bytes (read here) another row of their
    // run has, in table order, a further name of an inode marked as a link.
    std::vector<std::pair<std::string, std::string>> expected;  // path, group cell
    std::set<ino_t> seen;
    for (int r = 0; r < doubles->GetItemCount(); ++r) {
        const std::string path = PathOf(doubles, r);
        if (path.find("/a.txt") == std::string::npos || path.find("/4/") != std::string::npos ||
            path.find("/5/") != std::string::npos)
            continue;
        struct stat st {};
        ::lstat(path.c_str(), &st);
        expected.emplace_back(path, seen.insert(st.st_ino).second ? "1" : "1 link");
    }
    std::vector<std::pair<std::string, std::string>> got;
    for (int r = 0; r < same->GetItemCount(); ++r) {
        const std::string group(same->GetItemText(r, 7));
        got.emplace_back(PathOf(same, r), group.substr(group.find_first_not_of(' ')));
    }
    EXPECT_EQ(got, expected);
    EXPECT_NE(Pane0().find(" 1 run, 3 files, 4 bytes to gain"), std::string::npos) << Pane0();
}

TEST_F(CheckContentsTest, EscapeDuringALongReadCallsItsCancelAndOtherKeysStayDropped) {
    for (const char* path : {"C/a", "C/b", "C/c"}) m_dir.MakeFile(path);
    Start();
    CListView_Table* files = Open(Files, 0);
    Activate();
    const int nRowBefore = files->currentIndex().row();
    std::atomic<bool> bCancel{false};
    int nEscapes = 0;
    int nTicks = 0;
    CModalWork::Run(
        [&] {
            while (!bCancel.load()) std::this_thread::yield();
        },
        [&] {
            // First a key that must not reach the table, then Escape.
            QTest::keyClick(files, ++nTicks == 1 ? Qt::Key_End : Qt::Key_Escape);
        },
        [&] {
            ++nEscapes;
            bCancel.store(true);
        });
    EXPECT_EQ(nEscapes, 1);
    EXPECT_GE(nTicks, 2);
    EXPECT_EQ(files->currentIndex().row(), nRowBefore);  // End was dropped
}

}  // namespace
