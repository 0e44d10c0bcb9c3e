#include "platform/Trash.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

bool Exists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

unsigned Mode(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// Runs the test body with the current directory somewhere of the test's own.
class ScopedCurrentDir {
public:
    explicit ScopedCurrentDir(const std::string& dir) {
        char buffer[4096];
        m_old = getcwd(buffer, sizeof buffer) ? buffer : "/";
        EXPECT_EQ(chdir(dir.c_str()), 0);
    }
    ~ScopedCurrentDir() { (void)chdir(m_old.c_str()); }

private:
    std::string m_old;
};

}  // namespace

TEST(TrashTest, MissingDataFolderIsMadeAndNothingLandsInTheCurrentDirectory) {
    // Qt 6.4's QFile::moveToTrash reports success when the data folder does not exist, yet moves
    // the entry into files/ below the current directory. The trash must be made where it belongs.
    TempDir dir;
    const std::string data = dir.Path() + "/home/.local/share";  // none of it exists yet
    ScopedEnv xdg("XDG_DATA_HOME", data);
    const std::string cwd = dir.MakeDir("cwd");
    ScopedCurrentDir inCwd(cwd);
    const std::string file = dir.MakeFile("drive/report.txt", "twelve bytes");

    EXPECT_EQ(MoveToTrash(file), "");

    EXPECT_FALSE(Exists(file));
    EXPECT_EQ(ReadFile(data + "/Trash/files/report.txt"), "twelve bytes");
    EXPECT_TRUE(ListingOrder(cwd).empty());
    for (const char* folder : {"/Trash", "/Trash/files", "/Trash/info"}) EXPECT_EQ(Mode(data + folder), 0700u) << folder;
    const std::string record = ReadFile(data + "/Trash/info/report.txt.trashinfo");
    EXPECT_EQ(record.rfind("[Trash Info]\nPath=" + file + "\nDeletionDate=", 0), 0u) << record;
    // DeletionDate=YYYY-MM-DDThh:mm:ss and a line end.
    const std::string date = record.substr(record.find("DeletionDate=") + 13);
    ASSERT_EQ(date.size(), 20u) << date;
    EXPECT_EQ(date[4], '-');
    EXPECT_EQ(date[10], 'T');
    EXPECT_EQ(date[13], ':');
    EXPECT_EQ(date.back(), '\n');
}

TEST(TrashTest, DirectoryGoesWholeAndClashingNamesGetANumber) {
    TempDir dir;
    ScopedEnv xdg("XDG_DATA_HOME", dir.Path() + "/data");
    dir.MakeFile("a/notes/inner/deep.txt", "deep");
    dir.MakeFile("b/notes", "a file of the same name");

    EXPECT_EQ(MoveToTrash(dir.Path() + "/a/notes"), "");
    EXPECT_EQ(MoveToTrash(dir.Path() + "/b/notes/"), "");  // a trailing slash names the same entry

    const std::string files = dir.Path() + "/data/Trash/files";
    EXPECT_EQ(ReadFile(files + "/notes/inner/deep.txt"), "deep");
    EXPECT_EQ(ReadFile(files + "/notes.2"), "a file of the same name");
    EXPECT_TRUE(Exists(dir.Path() + "/data/Trash/info/notes.2.trashinfo"));
    EXPECT_FALSE(Exists(dir.Path() + "/a/notes"));
    EXPECT_TRUE(Exists(dir.Path() + "/a"));
}

TEST(TrashTest, PathIsPercentEncodedAndALinkGoesAsTheLink) {
    TempDir dir;
    ScopedEnv xdg("XDG_DATA_HOME", dir.Path() + "/data");
    const std::string odd = dir.MakeFile("x/a b;%\xC4.txt", "odd");
    const std::string target = dir.MakeFile("x/target", "target");
    const std::string link = dir.Path() + "/x/link";
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);

    EXPECT_EQ(MoveToTrash(odd), "");
    EXPECT_EQ(MoveToTrash(link), "");

    const std::string record = ReadFile(dir.Path() + "/data/Trash/info/a b;%\xC4.txt.trashinfo");
    EXPECT_NE(record.find("\nPath=" + dir.Path() + "/x/a%20b%3B%25%C4.txt\n"), std::string::npos) << record;
    EXPECT_EQ(ReadFile(target), "target");
    char buffer[4096];
    const ssize_t n = readlink((dir.Path() + "/data/Trash/files/link").c_str(), buffer, sizeof buffer);
    EXPECT_EQ(std::string(buffer, n > 0 ? n : 0), target);
}

TEST(TrashTest, FailuresSayWhyAndLeaveNoRecord) {
    TempDir dir;
    ScopedEnv xdg("XDG_DATA_HOME", dir.Path() + "/data");
    EXPECT_EQ(MoveToTrash(dir.Path() + "/gone"), "No such file or directory");
    EXPECT_EQ(MoveToTrash("relative/path"), "not an absolute path");
    // The trash cannot go into itself.
    dir.MakeFile("data/Trash/files/kept", "x");
    EXPECT_NE(MoveToTrash(dir.Path() + "/data/Trash"), "");
    EXPECT_EQ(ListingOrder(dir.Path() + "/data/Trash/info"), std::vector<std::string>{});
    EXPECT_EQ(ReadFile(dir.Path() + "/data/Trash/files/kept"), "x");
}

TEST(TrashTest, RelativeDataHomeIsIgnoredForTheHomeFolder) {
    TempDir dir;
    ScopedEnv xdg("XDG_DATA_HOME", "relative/data");
    ScopedEnv home("HOME", dir.Path() + "/home");
    const std::string cwd = dir.MakeDir("cwd");
    ScopedCurrentDir inCwd(cwd);
    const std::string file = dir.MakeFile("f.txt", "f");

    EXPECT_EQ(MoveToTrash(file), "");
    EXPECT_EQ(ReadFile(dir.Path() + "/home/.local/share/Trash/files/f.txt"), "f");
    EXPECT_TRUE(ListingOrder(cwd).empty());
}

TEST(TrashTest, EntryOnAnotherFileSystemIsRefusedAndStays) {
    TempDir dir;
    ScopedEnv xdg("XDG_DATA_HOME", dir.Path() + "/data");
    char pattern[] = "/dev/shm/zorbin-test-XXXXXX";
    if (!mkdtemp(pattern)) GTEST_SKIP() << "no /dev/shm";
    const std::string other = pattern;
    struct stat a, b;
    if (stat(other.c_str(), &a) != 0 || stat(dir.Path().c_str(), &b) != 0 || a.st_dev == b.st_dev) {
        rmdir(other.c_str());
        GTEST_SKIP() << "/dev/shm is on the same file system as /tmp";
    }
    const std::string file = other + "/f.txt";
    std::ofstream(file) << "stays";

    EXPECT_EQ(MoveToTrash(file), "on another file system than the trash");
    EXPECT_EQ(ReadFile(file), "stays");
    EXPECT_EQ(ListingOrder(dir.Path() + "/data/Trash/info"), std::vector<std::string>{});
    unlink(file.c_str());
    rmdir(other.c_str());
}
