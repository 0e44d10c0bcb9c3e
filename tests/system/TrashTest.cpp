#include "system/Trash.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

static std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(TrashTest, EntriesGoWholeByNameAndLinkIntoATrashMadeWhereItBelongs) {
    // Qt 6.4's QFile::moveToTrash reports success when the data folder does not exist, yet moves
    // the entry into files/ below the current directory. The trash must be made where it belongs.
    // Fault mended: name.trashinfo did not fit NAME_MAX, so a name of 246 bytes or more could not
    // go ("the trash record cannot be written: File name too long"); it is shortened in the trash.
    TempDir dir;
    const std::string d = dir.Path(), home = d + "/home", trash = home + "/.local/share/Trash";
    ScopedEnv xdg("XDG_DATA_HOME", "relative/data");  // ignored: not absolute
    ScopedEnv homeEnv("HOME", home);
    const fs::path cwd = fs::current_path();
    fs::current_path(dir.MakeDir("cwd"));  // a trash made below the current directory stays in the test's folder
    fs::create_symlink(dir.MakeFile("x/target", "target"), d + "/x/link");
    fs::create_directory_symlink("x", d + "/linked");
    std::string e125, e125Encoded;
    for (int i = 0; i < 125; ++i) e125 += "\xC3\xA9", e125Encoded += "%C3%A9";  // é
    // The path, the reason it stays or none, its name in the trash, its record's Path if not the path.
    const std::array<std::string, 4> cases[] = {
        {fs::path(dir.MakeFile("a/notes/inner/deep.txt", "deep")).parent_path().parent_path(), "", "notes"},
        {dir.MakeFile("b/notes") + "/", "", "notes.2", d + "/b/notes"},  // a trailing slash: the same entry
        {dir.MakeFile("x/a b;%\xC4.txt"), "", "a b;%\xC4.txt", d + "/x/a%20b%3B%25%C4.txt"},
        {d + "/x/link", "", "link"},
        {dir.MakeFile("l/" + e125 + ".txt"), "", e125.substr(0, 240) + ".txt", d + "/l/" + e125Encoded + ".txt"},
        {dir.MakeFile("l/" + std::string(242, 'b') + ".txt"), "", std::string(241, 'b') + ".txt"},  // 246 bytes
        // Shortened like the one before: the clash number goes before the extension.
        {dir.MakeFile("l/" + std::string(251, 'b') + ".txt"), "", std::string(239, 'b') + ".2.txt"},
        {d + "/linked/target", "the folder \"linked\" on its path is now a symbolic link"},
        {d + "/gone", "No such file or directory"},
        {home, "it holds the trash"},
        {trash + "/info", "it is a folder of the trash"},
        {trash + "/files/notes", "it lies inside the trash"},
    };
    for (const auto& [path, reason, inTrash, recorded] : cases) {
        EXPECT_EQ(MoveToTrash(path), reason) << path;
        EXPECT_TRUE(inTrash.empty() || fs::exists(fs::symlink_status(trash + "/files/" + inTrash))) << inTrash;
        const std::regex record("\\[Trash Info\\]\nPath=" + (recorded.empty() ? path : recorded) +
                                "\nDeletionDate=\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\n");
        EXPECT_TRUE(inTrash.empty() || std::regex_match(ReadFile(trash + "/info/" + inTrash + ".trashinfo"), record));
    }
    EXPECT_EQ(ReadFile(trash + "/files/notes/inner/deep.txt"), "deep");
    EXPECT_EQ(fs::read_symlink(trash + "/files/link"), d + "/x/target");
    EXPECT_EQ(ListingOrder(trash + "/info").size(), 7u) << "no record for a failure";
    for (const char* folder : {"", "/files", "/info"})
        EXPECT_EQ(fs::status(trash + folder).permissions(), fs::perms::owner_all) << folder;
    fs::current_path(cwd);
}

TEST(TrashTest, EntryOnAnotherFileSystemGoesToTheTrashAtItsTop) {
    // Fault mended: an entry on another file system than the home trash was refused, so nothing on
    // another partition or disk could be deleted. It goes to $top/.Trash/$uid where .Trash is a
    // sticky folder, not a link; else to $top/.Trash-$uid; its record's Path is relative to $top.
    TempDir dir;
    ScopedEnv xdg("XDG_DATA_HOME", dir.Path() + "/data");  // the home trash, on another file system
    const std::string own = ".Trash-" + std::to_string(getuid()), readOnly = "read-only file system";
    // What $top/.Trash is, the trash f.txt goes to, the reason it stays or none.
    const std::array<std::string, 3> cases[] = {
        {"folder without the sticky bit", own},
        {"link to a sticky folder", own},
        {"sticky folder", ".Trash/" + std::to_string(getuid())},
        {readOnly, own,
         "no trash can be had on its file system (" + dir.Path() + "/drive/" + readOnly + "): Read-only file system"},
    };
    // The child reports each case that went otherwise.
    const std::optional<std::string> out = RunInChildProcess([&]() -> std::string {
        if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return "SKIP private mounts: " + std::string(strerror(errno));
        std::string lines;
        for (const auto& [dotTrash, trash, reason] : cases) {
            const std::string top = dir.MakeDir("drive/" + dotTrash), shared = top + "/shared", bin = top + "/" + trash;
            if (mount("tmpfs", top.c_str(), "tmpfs", 0, nullptr)) return "SKIP tmpfs: " + std::string(strerror(errno));
            const std::string file = dir.MakeFile("drive/" + dotTrash + "/sub/f.txt", "f");
            mkdir(shared.c_str(), dotTrash == "folder without the sticky bit" ? 0777 : 01777);
            if (dotTrash == "link to a sticky folder") symlink("shared", (top + "/.Trash").c_str());
            else if (dotTrash.find("folder") != std::string::npos) rename(shared.c_str(), (top + "/.Trash").c_str());
            if (dotTrash == readOnly) mount(nullptr, top.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr);
            // The braces read the files after the move.
            const std::array<std::string, 3> went{MoveToTrash(file), ReadFile(file) + ReadFile(bin + "/files/f.txt"),
                                                  ReadFile(bin + "/info/f.txt.trashinfo").substr(0, 28)};
            if (went != std::array<std::string, 3>{reason, "f", reason.empty() ? "[Trash Info]\nPath=sub/f.txt\n" : ""})
                lines += dotTrash + ": " + went[0] + "|" + went[1] + "|" + went[2] + "\n";
            umount2(top.c_str(), MNT_DETACH);
        }
        return lines;
    });
    if (out.value().rfind("SKIP ", 0) == 0) GTEST_SKIP() << "no file system can be mounted here: " << out->substr(5);
    EXPECT_EQ(*out, "");
}
