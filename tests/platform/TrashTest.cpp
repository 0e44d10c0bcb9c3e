#include "platform/Trash.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <regex>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool Exists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

}  // namespace

TEST(TrashTest, MissingTrashIsMadeWhereItBelongsAndNothingLandsInTheCurrentDirectory) {
    // Qt 6.4's QFile::moveToTrash reports success when the data folder does not exist, yet moves
    // the entry into files/ below the current directory. A relative XDG_DATA_HOME is ignored.
    TempDir dir;
    const std::string cwd = dir.MakeDir("cwd");
    char old[4096];
    ASSERT_TRUE(getcwd(old, sizeof old));
    ASSERT_EQ(chdir(cwd.c_str()), 0);
    struct Case {
        std::string xdg;
        std::string data;  // where the trash must be
    };
    const Case cases[] = {{dir.Path() + "/a/.local/share", dir.Path() + "/a/.local/share"},
                          {"relative/data", dir.Path() + "/home/.local/share"}};
    ScopedEnv home("HOME", dir.Path() + "/home");
    for (const Case& c : cases) {
        ScopedEnv xdg("XDG_DATA_HOME", c.xdg);
        const std::string file = dir.MakeFile("drive/report.txt", "twelve bytes");
        EXPECT_EQ(MoveToTrash(file), "");
        EXPECT_FALSE(Exists(file));
        EXPECT_EQ(ReadFile(c.data + "/Trash/files/report.txt"), "twelve bytes");
        for (const char* folder : {"/Trash", "/Trash/files", "/Trash/info"}) {
            struct stat st {};
            EXPECT_EQ(stat((c.data + folder).c_str(), &st) == 0 ? st.st_mode & 07777 : 0, 0700u) << folder;
        }
        const std::string record = ReadFile(c.data + "/Trash/info/report.txt.trashinfo");
        EXPECT_TRUE(std::regex_match(record, std::regex("\\[Trash Info\\]\nPath=" + file +
                                                        "\nDeletionDate=\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\n")))
            << record;
    }
    EXPECT_TRUE(ListingOrder(cwd).empty());
    ASSERT_EQ(chdir(old), 0);
}

TEST(TrashTest, EntriesGoWholeUnderFreeNamesWithEncodedRecordsAndFailuresSayWhy) {
    TempDir dir;
    ScopedEnv xdg("XDG_DATA_HOME", dir.Path() + "/data");
    const std::string trash = dir.Path() + "/data/Trash";
    dir.MakeFile("a/notes/inner/deep.txt", "deep");
    dir.MakeFile("b/notes", "a file of the same name");
    const std::string odd = dir.MakeFile("x/a b;%\xC4.txt", "odd");
    const std::string target = dir.MakeFile("x/target", "target");
    ASSERT_EQ(symlink(target.c_str(), (dir.Path() + "/x/link").c_str()), 0);

    EXPECT_EQ(MoveToTrash(dir.Path() + "/a/notes"), "");
    EXPECT_EQ(MoveToTrash(dir.Path() + "/b/notes/"), "");  // a trailing slash names the same entry
    EXPECT_EQ(MoveToTrash(odd), "");
    EXPECT_EQ(MoveToTrash(dir.Path() + "/x/link"), "");
    EXPECT_EQ(MoveToTrash(dir.Path() + "/gone"), "No such file or directory");
    EXPECT_EQ(MoveToTrash("relative/path"), "not an absolute path");

    EXPECT_EQ(ReadFile(trash + "/files/notes/inner/deep.txt"), "deep");
    EXPECT_EQ(ReadFile(trash + "/files/notes.2"), "a file of the same name");
    EXPECT_NE(ReadFile(trash + "/info/notes.2.trashinfo").find("\nPath=" + dir.Path() + "/b/notes\n"), std::string::npos);
    EXPECT_NE(ReadFile(trash + "/info/a b;%\xC4.txt.trashinfo").find("\nPath=" + dir.Path() + "/x/a%20b%3B%25%C4.txt\n"),
              std::string::npos);
    EXPECT_EQ(ReadFile(target), "target");
    char buffer[4096];
    const ssize_t n = readlink((trash + "/files/link").c_str(), buffer, sizeof buffer);
    EXPECT_EQ(std::string(buffer, n > 0 ? n : 0), target);
    EXPECT_EQ(ListingOrder(trash + "/info").size(), 4u) << "no record for a failure";
    EXPECT_EQ(ListingOrder(dir.Path() + "/a"), std::vector<std::string>{});
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
        {e125 + ".txt", e125.substr(0, 240) + ".txt", e125Encoded + ".txt"},  // not inside an é's two bytes
        {std::string(250, 'b') + ".txt", std::string(241, 'b') + ".txt", std::string(250, 'b') + ".txt"},
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
        std::string dotTrash;  // what $top/.Trash is before
        std::string trash;     // the trash the file lands in, below $top, or the refusal
    };
    const Case cases[] = {
        {"none", ".Trash-" + uid},
        {"folder without the sticky bit", ".Trash-" + uid},
        {"link to a sticky folder", ".Trash-" + uid},
        {"sticky folder", ".Trash/" + uid},
        {"read-only file system", "refused"},
    };
    const std::optional<std::string> out = RunInChildProcess([&]() -> std::string {
        if (unshare(CLONE_NEWNS) != 0) return "SKIP unshare(CLONE_NEWNS): " + std::string(strerror(errno));
        if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return "SKIP private mounts: " + std::string(strerror(errno));
        std::string lines;
        for (const Case& c : cases) {
            const std::string top = dir.MakeDir("drive/" + c.dotTrash);
            if (mount("zorbin-test", top.c_str(), "tmpfs", 0, nullptr) != 0)
                return "SKIP mount tmpfs: " + std::string(strerror(errno));
            const std::string file = dir.MakeFile("drive/" + c.dotTrash + "/sub/f.txt", "f");
            if (c.dotTrash != "none" && c.dotTrash != "read-only file system") {
                const std::string shared = top + (c.dotTrash == "link to a sticky folder" ? "/shared" : "/.Trash");
                mkdir(shared.c_str(), 0777);
                if (c.dotTrash != "folder without the sticky bit") chmod(shared.c_str(), 01777);
                if (shared != top + "/.Trash") symlink("shared", (top + "/.Trash").c_str());
            }
            if (c.dotTrash == "read-only file system") mount(nullptr, top.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr);
            lines += c.dotTrash + ": " + MoveToTrash(file);
            lines += "|" + ReadFile(file) + "|";
            for (const std::string& trash : {".Trash-" + uid, ".Trash/" + uid, "shared/" + uid})
                if (Exists(top + "/" + trash))
                    lines += trash + " " + ReadFile(top + "/" + trash + "/files/f.txt") + " " +
                             ReadFile(top + "/" + trash + "/info/f.txt.trashinfo").substr(0, 28);
            lines += "\n";
            umount2(top.c_str(), MNT_DETACH);
        }
        return lines;
    });
    ASSERT_TRUE(out.has_value());
    if (out->rfind("SKIP ", 0) == 0) GTEST_SKIP() << "no file system can be mounted here: " << out->substr(5);
    std::string expected;
    for (const Case& c : cases)
        expected += c.dotTrash + ": " +
                    (c.trash == "refused" ? "no trash can be had on its file system (" + dir.Path() + "/drive/" +
                                                c.dotTrash + "): Read-only file system|f|\n"
                                          : "||" + c.trash + " f [Trash Info]\nPath=sub/f.txt\n\n");
    EXPECT_EQ(*out, expected);
    EXPECT_EQ(ListingOrder(dir.Path() + "/data/Trash/files"), std::vector<std::string>{});
}
