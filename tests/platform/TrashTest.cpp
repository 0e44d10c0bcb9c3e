#include "platform/Trash.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <cstring>
#include <sys/mount.h>
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

// A trash record without its deletion date.
std::string Record(const std::string& path) {
    const std::string record = ReadFile(path);
    return record.substr(0, record.find("DeletionDate="));
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

TEST(TrashTest, NamesOf246BytesOrMoreAreShortenedInTheTrash) {
    // Fault mended: name.trashinfo did not fit NAME_MAX, so such a name could not go ("the trash
    // record cannot be written: File name too long").
    TempDir dir;
    ScopedEnv xdg("XDG_DATA_HOME", dir.Path() + "/data");
    std::string e125, e125Encoded;
    for (int i = 0; i < 125; ++i) e125 += "\xC3\xA9", e125Encoded += "%C3%A9";  // é
    struct Case {
        std::string name;
        std::string inTrash;
        std::string path;  // in the record, after the folder
    };
    const Case cases[] = {
        {std::string(246, 'a'), std::string(245, 'a'), std::string(246, 'a')},
        {std::string(250, 'b') + ".txt", std::string(241, 'b') + ".txt", std::string(250, 'b') + ".txt"},
        {e125 + ".txt", e125.substr(0, 240) + ".txt", e125Encoded + ".txt"},  // not inside an é's two bytes
        // Shortened like the one before: the clash number goes before the extension.
        {std::string(251, 'b') + ".txt", std::string(239, 'b') + ".2.txt", std::string(251, 'b') + ".txt"},
    };
    for (const Case& c : cases) {
        const std::string file = dir.MakeFile("long/" + c.name, "x");
        EXPECT_EQ(MoveToTrash(file), "") << c.inTrash;
        EXPECT_EQ(ReadFile(dir.Path() + "/data/Trash/files/" + c.inTrash), "x") << c.inTrash;
        const std::string record = ReadFile(dir.Path() + "/data/Trash/info/" + c.inTrash + ".trashinfo");
        EXPECT_NE(record.find("\nPath=" + dir.Path() + "/long/" + c.path + "\n"), std::string::npos) << record;
    }
}

TEST(TrashTest, EntryOnAnotherFileSystemGoesToTheTrashAtItsTop) {
    // Fault mended: an entry on another file system than the home trash was refused, so nothing on
    // another partition or disk could be deleted. It goes to $top/.Trash/$uid where .Trash is a
    // sticky folder, not a link; else to $top/.Trash-$uid; its record's Path is relative to $top.
    TempDir dir;
    ScopedEnv xdg("XDG_DATA_HOME", dir.Path() + "/data");
    const std::string uid = std::to_string(getuid());
    struct Case {
        const char* dotTrash;  // what $top/.Trash is before
        const char* trash;     // the trash the file lands in, below $top, or the refusal
    };
    const Case cases[] = {
        {"none", ".Trash-"},
        {"folder without the sticky bit", ".Trash-"},
        {"link to a sticky folder", ".Trash-"},
        {"sticky folder", ".Trash/"},
        {"read-only file system", "refused"},
    };
    const std::optional<std::string> out = RunInChildProcess([&]() -> std::string {
        if (unshare(CLONE_NEWNS) != 0) return "SKIP unshare(CLONE_NEWNS): " + std::string(strerror(errno));
        if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return "SKIP private mounts: " + std::string(strerror(errno));
        std::string lines;
        for (const Case& c : cases) {
            const std::string top = dir.MakeDir("drive/" + std::string(c.dotTrash));
            if (mount("zorbin-test", top.c_str(), "tmpfs", 0, nullptr) != 0)
                return "SKIP mount tmpfs: " + std::string(strerror(errno));
            const std::string file = dir.MakeFile("drive/" + std::string(c.dotTrash) + "/sub/f.txt", "f");
            const std::string what = c.dotTrash;
            if (what == "folder without the sticky bit") mkdir((top + "/.Trash").c_str(), 0777);
            if (what == "link to a sticky folder") {
                mkdir((top + "/shared").c_str(), 01777);
                chmod((top + "/shared").c_str(), 01777);
                symlink("shared", (top + "/.Trash").c_str());
            }
            if (what == "sticky folder") {
                mkdir((top + "/.Trash").c_str(), 01777);
                chmod((top + "/.Trash").c_str(), 01777);
            }
            if (what == "read-only file system") mount(nullptr, top.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr);
            const std::string reason = MoveToTrash(file);
            lines += what + ": " + reason + "|" + ReadFile(file) + "|";
            for (const std::string& trash : {top + "/.Trash-" + uid, top + "/.Trash/" + uid, top + "/shared/" + uid})
                if (Exists(trash)) lines += trash.substr(top.size() + 1) + " " + ReadFile(trash + "/files/f.txt") + " " +
                                            Record(trash + "/info/f.txt.trashinfo");
            lines += "\n";
            umount2(top.c_str(), MNT_DETACH);
        }
        return lines;
    });
    ASSERT_TRUE(out.has_value());
    if (out->rfind("SKIP ", 0) == 0) GTEST_SKIP() << "no file system can be mounted here: " << out->substr(5);
    std::string expected;
    for (const Case& c : cases) {
        const std::string top = dir.Path() + "/drive/" + c.dotTrash;
        if (std::string(c.trash) == "refused")
            expected += std::string(c.dotTrash) + ": no trash can be had on its file system (" + top +
                        "): Read-only file system|f|\n";
        else
            expected += std::string(c.dotTrash) + ": |" + "|" + c.trash + uid + " f [Trash Info]\nPath=sub/f.txt\n\n";
    }
    EXPECT_EQ(*out, expected);
    EXPECT_EQ(ListingOrder(dir.Path() + "/data/Trash/files"), std::vector<std::string>{});
}
