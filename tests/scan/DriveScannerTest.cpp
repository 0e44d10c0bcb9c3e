#include "scan/DriveScanner.h"

#include "scan/DirWalker.h"
#include "store/TimeText.h"
#include "scan/DriveGlobals.h"
#include "scan/ScanColumns.h"

#include "MessageBoxRecorder.h"
#include "TestSupport.h"
#include "TopFolderSwap.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace {

// The ten column arrays of a view, with every slot pointing at its array.
struct Columns {
    CTextColumn a[10];
    ScanColumns record;
    Columns() {
        for (int i = 0; i < 10; ++i) record.*kScanSlots[i] = &a[i];
    }
};

std::vector<std::string> Items(const CTextColumn& column) {
    std::vector<std::string> items;
    for (std::size_t i = 0; i < column.GetSize(); ++i) items.emplace_back(column.GetAt(i));
    return items;
}

// The walk's order, directories and files apart, as the slots hold them.
void ExpectedPaths(const std::string& dir, std::vector<std::string>& dirs, std::vector<std::string>& files) {
    for (ListedEntry& e : WalkOrder(dir)) (e.bDir ? dirs : files).push_back(std::move(e.path));
}

// A drive of its own, scanned once into a record of ten arrays.
class ScannedDrive : public testing::Test {
protected:
    void Scan() {
        ScopedEnv drives("ZORBIN_DRIVES", "C=" + tmp.Path());
        c.a[0].Add("kept");  // a scan only appends
        CDriveScanner().ScanFolder("C:/", &c.record);
        dirs = {"kept"};
        ExpectedPaths(tmp.Path(), dirs, files);
    }

    TempDir tmp;
    Columns c;
    std::vector<std::string> dirs, files;
};

TEST_F(ScannedDrive, EntriesGoToThePathArraysInTheWalksOrderAfterWhatTheyHeld) {
    for (const char* file : {"A/f.TXT", "A/sub/archive.tar.gz", "g", "my.dir/README"}) tmp.MakeFile(file, file);
    tmp.MakeDir("empty");
    // Folders deep enough for the walk to share the ones below its top between two threads, and
    // put the parts together.
    for (int i = 0; i < 70; ++i)
        for (const char* file : {"/g", "/sub/f", "/sub/1/2/3/4/5/6/7/8/9/h"})
            tmp.MakeFile("w/" + std::to_string(i) + file, "x");
    Scan();
    EXPECT_EQ(Items(c.a[0]), dirs);
    EXPECT_EQ(Items(c.a[2]), files);
    EXPECT_EQ(c.record.nFileCount + c.record.nDirCount, 0);  // the count's counters stay alone
}

TEST_F(ScannedDrive, DirectoryArraysHoldEachFoldersNameAndBirthTime) {
    for (const char* dir : {"A/sub", "my.dir", "empty"}) tmp.MakeDir(dir);
    Scan();
    ASSERT_EQ(c.a[1].GetSize(), dirs.size() - 1);
    for (std::size_t i = 1; i < dirs.size(); ++i) {
        EXPECT_EQ(c.a[1].GetAt(i - 1), std::filesystem::path(dirs[i]).filename().string());
        EXPECT_EQ(c.a[9].GetAt(i - 1), BirthText(dirs[i])) << dirs[i];
    }
}

TEST_F(ScannedDrive, FileArraysHoldEachFilesOwnNameExtensionLengthAndTimes) {
    // Extensions as a user reads them; the rule's edge cases are the extension test's.
    const std::map<std::string, std::string> extensions = {{"f.TXT", "txt"},
                                                           {"archive.tar.gz", "gz"},
                                                           {"README", ""},
                                                           {"name.", ""},
                                                           {"tab\tand\nnewline", ""},
                                                           {"big", ""},
                                                           {"link", ""},
                                                           {"g", ""}};
    for (const char* file : {"A/f.TXT", "A/sub/archive.tar.gz", "g", "my.dir/README", "name.", "tab\tand\nnewline"})
        tmp.MakeFile(file, file);
    // A sparse file of exactly 4 GiB: the length text is 4294967296, no grouping, no decimals.
    ASSERT_EQ(truncate(tmp.MakeFile("big").c_str(), 4294967296LL), 0);
    ASSERT_EQ(symlink("A/f.TXT", (tmp.Path() + "/link").c_str()), 0);     // the link's own length and times
    const struct timespec times[2] = {{1711846800, 0}, {1700000000, 0}};  // accessed, modified: apart
    ASSERT_EQ(utimensat(AT_FDCWD, (tmp.Path() + "/g").c_str(), times, 0), 0);
    Scan();
    ASSERT_EQ(c.a[3].GetSize(), files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string name = std::filesystem::path(files[i]).filename().string();
        struct stat st;
        ASSERT_EQ(lstat(files[i].c_str(), &st), 0);
        const std::vector<std::string> cells = {name,
                                                extensions.at(name),
                                                std::to_string(st.st_size),
                                                BirthText(files[i]),
                                                TimeText(st.st_mtime),
                                                TimeText(st.st_atime)};
        for (int slot = 3; slot <= 8; ++slot)
            EXPECT_EQ(c.a[slot].GetAt(i), cells[slot - 3]) << name << " slot " << slot;
    }
}

TEST(DriveScannerTest, AMissingFolderALetterOfNoDriveAndNoRecordAddNothing) {
    TempDir tmp;
    Columns none;
    ScopedEnv missing("ZORBIN_DRIVES", "C=" + tmp.Path() + "/absent");
    CDriveScanner().ScanFolder("C:/", &none.record);
    CDriveScanner().ScanFolder("Q:/", &none.record);
    CDriveScanner().ScanFolder("C:/", nullptr);  // no record: nothing to write
    for (const CTextColumn& column : none.a) EXPECT_TRUE(column.IsEmpty());
}

TEST(DriveScannerTest, ATopFolderSwappedForAnotherAfterTheListingIsNotWalked) {
    // The scan walks its top folders in parts, each checked to be still the folder the listing
    // showed: a part walked unchecked takes in whatever folder has its name by then.
    TempDir tmp;
    TopFolderSwap swap(tmp);
    std::vector<std::string> dirs, files;
    ExpectedPaths(swap.Root(), dirs, files);
    std::erase(files, swap.Swapped() + "/f");
    ScopedEnv drives("ZORBIN_DRIVES", "C=" + swap.Root());
    Columns c;
    CDriveScanner().ScanFolder("C:/", &c.record);
    ASSERT_TRUE(swap.HasSwapped());
    EXPECT_EQ(Items(c.a[0]), dirs);
    EXPECT_EQ(Items(c.a[2]), files);
}

TEST(DriveScannerTest, ExtensionComesFromTheNameOnly) {
    // The fault mended here: the extension was taken from the whole path, so README inside my.dir
    // got "dir/readme". Only the text after the last "/" may give an extension.
    const struct {
        const char* path;
        const char* ext;
    } cases[] = {
        {"/x/Report.TXT", "txt"},
        {"/x/archive.tar.gz", "gz"},
        {"/x/name.", ""},
        {"/x/.profile", "profile"},
        {"/x/my.dir/README", ""},
        {"/x/README", ""},
        {"C:/my.dir/README", ""},
        {"plain.Md", "md"},
        {"/x/f.\xC3\x84Z", "\xC3\x84z"},
        {"/x/a.b.", ""},
        {"", ""},
        {"/x/dir.d/", ""},
    };
    CDriveScanner scanner;
    for (const auto& c : cases) EXPECT_EQ(scanner.GetExtension(c.path), c.ext) << c.path;
}

TEST(DriveScannerTest, DriveLettersFollowTheMapAndAnEmptyMapIsRefused) {
    TempDir tmp;
    MessageBoxRecorder recorder;
    // A drive removed since leaves no letter of the earlier list; an empty map leaves the list alone.
    for (const auto& [map, letters] :
         {std::pair<std::string, const char*>{"D=" + tmp.Path() + ",C=" + tmp.Path(), "CD"},
          {"C=" + tmp.Path(), "C"},
          {"", "C"}}) {
        ScopedEnv drives("ZORBIN_DRIVES", map);
        EXPECT_EQ(CDriveScanner().GetDriveLetters(), !map.empty());
        EXPECT_STREQ(g_szDrives, letters);
    }
    ASSERT_EQ(recorder.boxes.size(), 1u);
    EXPECT_EQ(recorder.boxes[0].text, "Error: Can not get Drive Letters!");
    EXPECT_EQ(recorder.boxes[0].type & 0x0Fu, static_cast<unsigned>(MB_OK));
}

}  // namespace
