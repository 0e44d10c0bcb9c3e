#include "scan/DriveScanner.h"

#include "scan/DriveGlobals.h"
#include "scan/ScanColumns.h"
#include "store/TimeText.h"

#include "MessageBoxRecorder.h"
#include "TestSupport.h"
#include "TopFolderSwap.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <filesystem>

namespace {

using Arrays = std::array<std::vector<std::string>, 10>;

// The texts of the ten arrays of a record after scans of the folders, after what they held.
Arrays Scan(Arrays arrays, std::initializer_list<const char*> folders = {"C:/"}) {
    CTextColumn a[10];
    ScanColumns record;
    for (int slot = 0; slot < 10; ++slot) {
        for (const std::string& text : arrays[slot]) a[slot].Add(text);
        record.*kScanSlots[slot] = &a[slot];
    }
    for (const char* folder : folders) CDriveScanner().ScanFolder(folder, &record);
    EXPECT_EQ(record.nFileCount + record.nDirCount, 0);  // the count's counters stay alone
    for (int slot = 0; slot < 10; ++slot) {
        arrays[slot].clear();
        for (std::size_t i = 0; i < a[slot].GetSize(); ++i) arrays[slot].emplace_back(a[slot].GetAt(i));
    }
    return arrays;
}

// The reference: each entry's texts from lstat, in the walk's order worked out from the listings.
Arrays Expected(const std::string& dir, const std::vector<std::string>& skip = {}) {
    Arrays out;
    for (const ListedEntry& e : WalkOrder(dir, skip)) {
        struct stat st;
        EXPECT_EQ(lstat(e.path.c_str(), &st), 0);
        const std::string name = std::filesystem::path(e.path).filename().string();
        // Extensions as a user reads them; the rule's edge cases are the extension test's.
        const std::string ext = name == "f.TXT" ? "txt" : name == "archive.tar.gz" ? "gz" : "";
        const std::string size = std::to_string(st.st_size), birth = BirthText(e.path);
        const std::string modified = TimeText(st.st_mtime), accessed = TimeText(st.st_atime);
        const std::string texts[10] = {e.path, name, e.path, name, ext, size, birth, modified, accessed, birth};
        for (int slot = 0; slot < 10; ++slot)  // slots 0, 1 and 9 take directories
            if ((slot == 0 || slot == 1 || slot == 9) == e.bDir) out[slot].push_back(texts[slot]);
    }
    return out;
}

TEST(DriveScannerTest, EachEntryFillsItsArraysInTheWalksOrderAfterWhatTheyHeld) {
    TempDir tmp;
    for (const char* file : {"A/f.TXT", "A/sub/archive.tar.gz", "g", "my.dir/README", "name.", "tab\tand\nnewline"})
        tmp.MakeFile(file, file);
    tmp.MakeDir("empty");
    // Folders deep enough for the walk to share the ones below its top between two threads, and
    // put the parts together.
    for (int i = 0; i < 70; ++i)
        for (const char* file : {"/g", "/sub/f", "/sub/1/2/3/4/5/6/7/8/9/h"})
            tmp.MakeFile("w/" + std::to_string(i) + file, "x");
    // A sparse file of exactly 4 GiB: the length text is 4294967296, no grouping, no decimals.
    ASSERT_EQ(truncate(tmp.MakeFile("big").c_str(), 4294967296LL), 0);
    ASSERT_EQ(symlink("A/f.TXT", (tmp.Path() + "/link").c_str()), 0);     // the link's own length and times
    const struct timespec times[2] = {{1711846800, 0}, {1700000000, 0}};  // accessed, modified: apart
    ASSERT_EQ(utimensat(AT_FDCWD, (tmp.Path() + "/g").c_str(), times, 0), 0);
    ScopedEnv drives("ZORBIN_DRIVES", "C=" + tmp.Path() + ",D=" + tmp.Path() + "/absent");
    CDriveScanner().ScanFolder("C:/", nullptr);  // no record: nothing to write
    Arrays expected = Expected(tmp.Path());
    expected[0].insert(expected[0].begin(), "kept");  // a scan only appends
    // A missing folder and a letter of no drive add nothing.
    EXPECT_EQ(Scan({{{"kept"}}}, {"D:/", "Q:/", "C:/"}), expected);
}

TEST(DriveScannerTest, ATopFolderSwappedForAnotherAfterTheListingIsNotWalked) {
    // The scan walks its top folders in parts, each checked to be still the folder the listing
    // showed: a part walked unchecked takes in whatever folder has its name by then.
    TempDir tmp;
    TopFolderSwap swap(tmp);
    ScopedEnv drives("ZORBIN_DRIVES", "C=" + swap.root);
    // Taken before the swap: the name's row is the folder the listing showed, not the newcomer.
    const Arrays expected = Expected(swap.root, {swap.swapped});
    const Arrays scanned = Scan({});
    ASSERT_TRUE(swap.bSwapped);
    EXPECT_EQ(scanned, expected);
}

TEST(DriveScannerTest, ExtensionComesFromTheNameOnly) {
    // The fault mended here: the extension was taken from the whole path, so README inside my.dir
    // got "dir/readme". Only the text after the last "/" may give an extension.
    const std::pair<const char*, const char*> cases[] = {{"/x/Report.TXT", "txt"}, {"/x/archive.tar.gz", "gz"},
                                                         {"/x/name.", ""},         {"/x/.profile", "profile"},
                                                         {"/x/my.dir/README", ""}, {"C:/my.dir/README", ""},
                                                         {"plain.Md", "md"},       {"/x/f.\xC3\x84Z", "\xC3\x84z"},
                                                         {"/x/a.b.", ""},          {"", ""},
                                                         {"/x/dir.d/", ""}};
    for (const auto& [path, ext] : cases) EXPECT_EQ(CDriveScanner().GetExtension(path), ext) << path;
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
