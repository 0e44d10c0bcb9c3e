#include "platform/Trash.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
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

TEST(TrashTest, EntriesGoWholeByNameAndLinkIntoATrashMadeWhereItBelongs) {
    // Qt 6.4's QFile::moveToTrash reports success when the data folder does not exist, yet moves
    // the entry into files/ below the current directory. The trash must be made where it belongs.
    TempDir dir;
    const std::string data = dir.Path() + "/home/.local/share", trash = data + "/Trash";
    ScopedEnv xdg("XDG_DATA_HOME", "relative/data");  // ignored: not absolute
    ScopedEnv home("HOME", dir.Path() + "/home");
    char cwd[4096];
    ASSERT_TRUE(getcwd(cwd, sizeof cwd));
    ASSERT_EQ(chdir(dir.MakeDir("cwd").c_str()), 0);
    dir.MakeFile("a/notes/inner/deep.txt", "deep");
    dir.MakeFile("b/notes", "same name");
    const std::string odd = dir.MakeFile("x/a b;%\xC4.txt", "odd"), target = dir.MakeFile("x/target", "target");
    ASSERT_EQ(symlink(target.c_str(), (dir.Path() + "/x/link").c_str()), 0);
    struct Case {
        std::string path;
        std::string reason;
        std::string inTrash;  // and the Path of its record
        std::string recorded;
    };
    const Case cases[] = {
        {dir.Path() + "/a/notes", "", "notes", dir.Path() + "/a/notes"},
        {dir.Path() + "/b/notes/", "", "notes.2", dir.Path() + "/b/notes"},  // a trailing slash: the same entry
        {odd, "", "a b;%\xC4.txt", dir.Path() + "/x/a%20b%3B%25%C4.txt"},
        {dir.Path() + "/x/link", "", "link", dir.Path() + "/x/link"},
        {dir.Path() + "/gone", "No such file or directory", "", ""},
        {"relative/path", "not an absolute path", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MoveToTrash(c.path), c.reason);
        if (c.inTrash.empty()) continue;
        EXPECT_TRUE(std::regex_match(ReadFile(trash + "/info/" + c.inTrash + ".trashinfo"),
                                     std::regex("\\[Trash Info\\]\nPath=" + c.recorded +
                                                "\nDeletionDate=\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\n")))
            << c.inTrash;
    }
    EXPECT_EQ(ReadFile(trash + "/files/notes/inner/deep.txt"), "deep");
    EXPECT_EQ(ReadFile(trash + "/files/notes.2"), "same name");
    EXPECT_EQ(ReadFile(target), "target");
    EXPECT_EQ(std::filesystem::read_symlink(trash + "/files/link"), target);
    EXPECT_EQ(ListingOrder(trash + "/info").size(), 4u) << "no record for a failure";
    for (const char* folder : {"", "/files", "/info"}) {
        struct stat st {};
        EXPECT_EQ(stat((trash + folder).c_str(), &st) == 0 ? st.st_mode & 07777 : 0, 0700u) << folder;
    }
    EXPECT_TRUE(ListingOrder(dir.Path() + "/cwd").empty());
    ASSERT_EQ(chdir(cwd), 0);
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
