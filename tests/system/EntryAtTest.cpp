#include "system/EntryAt.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace fs = std::filesystem;

TEST(EntryAtTest, ALinkIsLookedAtItselfNotThroughIt) {
    // A link row shows the link: the entry reached must be the link, also where it leads to a
    // folder or nowhere, or Delete refuses it or moves what it points at. lstat is the reference.
    TempDir dir;
    dir.MakeFile("d/target.txt", "a target longer than its link's text");
    fs::create_symlink("target.txt", dir.Path() + "/d/to-file");
    fs::create_directory_symlink(".", dir.Path() + "/d/to-folder");
    fs::create_symlink("missing", dir.Path() + "/d/dangling");
    CEntryAt entry;
    for (const char* name : {"to-file", "to-folder", "dangling"}) {
        EXPECT_EQ(entry.Open(dir.Path(), std::string("/d/") + name), "") << name;
        struct stat st {};
        EXPECT_EQ(lstat((dir.Path() + "/d/" + name).c_str(), &st), 0);
        EXPECT_EQ(entry.Id(), (FileId{st.st_dev, st.st_ino})) << name;
        EXPECT_EQ(entry.Status().nLength, static_cast<std::uint64_t>(st.st_size)) << name;
        EXPECT_FALSE(entry.Status().bDir) << name;
        EXPECT_EQ(entry.Name(), name);
    }
}

TEST(EntryAtTest, RefusesDotNamesAndTheDrivesOwnFolderAndFollowsTheDriveOfEachRow) {
    // "." and ".." could lead out of the drive; the drive's folder itself is no row's entry.
    TempDir dir;
    dir.MakeFile("a/b", "b");
    const std::pair<std::string, std::string> cases[] = {
        {"/a/../a/b", "its path holds \".\" or \"..\""},
        {"/./a", "its path holds \".\" or \"..\""},
        {"/a/.", "its path holds \".\" or \"..\""},
        {"/..", "its path holds \".\" or \"..\""},
        {"", "it is the drive's own folder"},
        {"/", "it is the drive's own folder"},
        {"//", "it is the drive's own folder"},
        {"//a//b", ""},  // doubled slashes name the same entry
    };
    CEntryAt entry;
    for (const auto& [below, reason] : cases) EXPECT_EQ(entry.Open(dir.Path(), below), reason) << below;
    // Fault mended: the last drive's folder was kept for a row of another drive, here one inside
    // it, and "/b" named the first drive's entry of that name, or none.
    EXPECT_EQ(entry.Open(dir.Path() + "/a", "/b"), "");
    EXPECT_EQ(entry.Path(), dir.Path() + "/a/b");
}
