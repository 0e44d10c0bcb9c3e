#include "system/Trash.h"
#include "system/TrashMounts.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <functional>
#include <regex>
#include <thread>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

// One entry below a drive's folder into the trash, as Delete takes it: the reason it stays, or none.
static std::string Move(CTrash& trash, const std::string& root, const std::string& below) {
    CEntryAt entry;
    const std::string reason = entry.Open(root, below);
    return reason.empty() ? trash.Move(entry) : reason;
}

// Runs body in a child with a mount namespace of its own, a tmpfs on top and umask 022; body
// returns what went otherwise, or "SKIP " and why a mount was refused.
static void ExpectNothingOnTmpfs(const std::string& top, const std::function<std::string()>& body) {
    const std::optional<std::string> out = RunInChildProcess([&]() -> std::string {
        if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount("tmpfs", top.c_str(), "tmpfs", 0, nullptr) != 0)
            return "SKIP " + std::string(strerror(errno));
        umask(022);
        return body();
    });
    if (out.value().rfind("SKIP ", 0) == 0) return MountRefused(out->substr(5));
    EXPECT_EQ(*out, "");
}

// A home of the test's own, not made yet: the trash goes below it, in .local/share.
class HomeTrashTest : public ::testing::Test {
protected:
    TempDir dir;
    const std::string d = dir.Path(), home = d + "/home", trash = home + "/.local/share/Trash";
    ScopedEnv xdg{"XDG_DATA_HOME", "relative/data"};  // ignored: not absolute
    ScopedEnv homeEnv{"HOME", home};

    // Each path with the reason it stays or none, its name in the trash, its record's Path if not the path.
    void ExpectMoves(std::initializer_list<std::array<std::string, 4>> cases) const {
        for (const auto& [path, reason, inTrash, recorded] : cases) {
            EXPECT_EQ(MoveToTrash(path), reason) << path;
            EXPECT_TRUE(inTrash.empty() || fs::exists(fs::symlink_status(trash + "/files/" + inTrash))) << inTrash;
            const std::regex record("\\[Trash Info\\]\nPath=" + (recorded.empty() ? path : recorded) +
                                    "\nDeletionDate=\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\n");
            EXPECT_TRUE(inTrash.empty() ||
                        std::regex_match(ReadFile(trash + "/info/" + inTrash + ".trashinfo"), record))
                << inTrash;
        }
        EXPECT_EQ(ListingOrder(trash + "/info").size(), ListingOrder(trash + "/files").size()) << "a record a move";
    }
};

TEST_F(HomeTrashTest, EntriesGoWholeWithARecordOrStayWithTheReasonInATrashMadeForItsUserAlone) {
    const mode_t mask = umask(022);  // what the folders' own mode must keep out
    dir.MakeFile("x/target", "target");
    fs::create_directory_symlink("x", d + "/linked");
    ExpectMoves({
        {fs::path(dir.MakeFile("a/notes/inner/deep.txt", "deep")).parent_path().parent_path(), "", "notes"},
        {dir.MakeFile("b/notes") + "/", "", "notes.2", d + "/b/notes"},  // a trailing slash: the same entry
        {dir.MakeFile("x/a b;%\xC4.txt"), "", "a b;%\xC4.txt", d + "/x/a%20b%3B%25%C4.txt"},
        {d + "/linked/target", "the folder \"linked\" on its path is now a symbolic link"},
        {d + "/gone", "No such file or directory"},
        {home, "it holds the trash"},
        {trash + "/info", "it is a folder of the trash"},
        {trash + "/files/notes", "it lies inside the trash"},
    });
    umask(mask);
    for (const std::string& folder :
         {home, home + "/.local", home + "/.local/share", trash, trash + "/files", trash + "/info"})
        EXPECT_EQ(fs::status(folder).permissions(), fs::perms::owner_all) << folder;
    EXPECT_EQ(ReadFile(trash + "/files/notes/inner/deep.txt"), "deep");
}

TEST_F(HomeTrashTest, ANameTooLongForItsRecordIsShortenedInTheTrash) {
    // Fault mended: name.trashinfo did not fit NAME_MAX, so a name of 246 bytes or more could not
    // go ("the trash record cannot be written: File name too long").
    std::string e125, e125Encoded;
    for (int i = 0; i < 125; ++i) e125 += "\xC3\xA9", e125Encoded += "%C3%A9";  // é
    std::string x80Encoded;
    for (int i = 0; i < 250; ++i) x80Encoded += "%80";
    ExpectMoves({
        {dir.MakeFile("l/" + e125 + ".txt"), "", e125.substr(0, 240) + ".txt", d + "/l/" + e125Encoded + ".txt"},
        {dir.MakeFile("l/" + std::string(242, 'b') + ".txt"), "", std::string(241, 'b') + ".txt"},  // 246 bytes
        // Shortened like the one before: the clash number goes before the extension.
        {dir.MakeFile("l/" + std::string(251, 'b') + ".txt"), "", std::string(239, 'b') + ".2.txt"},
        // Fault mended: a name that is no UTF-8 was cut back to nothing and refused as missing.
        {dir.MakeFile("l/" + std::string(250, '\x80')), "", std::string(245, '\x80'), d + "/l/" + x80Encoded},
    });
}

TEST(TrashTest, EntryOnAnotherFileSystemGoesToTheTrashAtItsTopWhichGuardsItself) {
    // Fault mended: an entry on another file system than the home trash was refused, so nothing on
    // another partition or disk could be deleted. It goes to $top/.Trash/$uid where .Trash is a
    // sticky folder, not a link; else to $top/.Trash-$uid; its record's Path is relative to $top.
    // A rename cannot cross mounts: a trash that is a mount of its own takes nothing, and the
    // files/ and info/ made in it are taken back.
    TempDir dir;
    ScopedEnv xdg("XDG_DATA_HOME", dir.Path() + "/data");  // the home trash, on another file system
    const std::string drive = dir.MakeDir("drive"), uid = std::to_string(getuid()), own = ".Trash-" + uid;
    const std::string noTrash = "no trash can be had on its file system (" + drive;
    // What $top/.Trash is (or what else differs), the trash f goes to, the reason it stays or none.
    const std::array<std::string, 3> cases[] = {
        {"folder without the sticky bit", own, ""},
        {"link to a sticky folder", own, ""},
        {"sticky folder", ".Trash/" + uid, ""},
        {"read-only", own, noTrash + "/read-only): Read-only file system"},
        {"trash mounted", own, noTrash + "/trash mounted): its trash lies on another mount"},
    };
    ExpectNothingOnTmpfs(drive, [&]() -> std::string {
        std::string lines;
        for (const auto& [kind, trash, reason] : cases) {
            const std::string top = dir.MakeDir("drive/" + kind), shared = top + "/shared", bin = top + "/" + trash;
            if (mount("tmpfs", top.c_str(), "tmpfs", 0, nullptr)) return "SKIP tmpfs: " + std::string(strerror(errno));
            const std::string file = dir.MakeFile("drive/" + kind + "/sub/f", "f");
            mkdir(shared.c_str(), kind == "folder without the sticky bit" ? 0777 : 01777);
            if (kind == "link to a sticky folder")
                symlink("shared", (top + "/.Trash").c_str());
            else if (kind.find("folder") != std::string::npos)
                rename(shared.c_str(), (top + "/.Trash").c_str());
            if (kind == "read-only") mount(nullptr, top.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr);
            if (kind == "trash mounted" &&
                mount("tmpfs", dir.MakeDir("drive/" + kind + "/" + own).c_str(), "tmpfs", 0, nullptr))
                return "SKIP tmpfs: " + std::string(strerror(errno));
            CTrash volume;
            const std::array<std::string, 3> went{Move(volume, top, "/sub/f"),
                                                  ReadFile(file) + ReadFile(bin + "/files/f"),
                                                  ReadFile(bin + "/info/f.trashinfo").substr(0, 24)};
            if (went != std::array<std::string, 3>{reason, "f", reason.empty() ? "[Trash Info]\nPath=sub/f\n" : ""})
                lines += kind + ": " + went[0] + "|" + went[1] + "|" + went[2] + "\n";
            if (!reason.empty()) {
                for (const std::string& left : ListingOrder(bin)) lines += kind + ": left in the trash: " + left + "\n";
                continue;
            }
            // Every folder the Delete made is its user's alone, whatever the umask (022 here) lets by,
            // and none of them, nor what went in, can go into the trash after it.
            for (const char* folder : {"/info", "/files", "", "/files/f"}) {
                struct stat st {};
                const bool bFolder = std::strcmp(folder, "/files/f") != 0;
                if (bFolder && (stat((bin + folder).c_str(), &st) != 0 || (st.st_mode & 07777) != 0700))
                    lines += kind + ": " + trash + folder + " has mode " + std::to_string(st.st_mode & 07777) + "\n";
                const std::string refused = Move(volume, top, "/" + trash + folder);
                if (refused != (bFolder ? "it is a folder of the trash" : "it lies inside the trash"))
                    lines += kind + ": " + trash + folder + ": " + refused + "\n";
            }
        }
        return lines;
    });
}

TEST(TrashTest, NoMountEveryUsersTrashOrWhatHoldsThemGoesAlong) {
    // Faults mended: a folder with a file system mounted below it carried that file system into the
    // trash (a tmpfs, the drive bind-mounted inside itself, any where the mount table cannot be read);
    // a bind mount of the same device was refused for its trash "on another mount", after an empty
    // trash had been made beside it; a trash of another user, or one this Delete did not use, went too.
    TempDir dir;
    const std::string top = dir.MakeDir("drive");
    ScopedEnv xdg("XDG_DATA_HOME", top + "/home/share");  // the home trash on the drive
    // Each entry below the drive and the reason it stays, or none.
    const std::pair<std::string, std::string> cases[] = {
        {"media/usb stick", "it is the top of a mounted file system"},  // "\040" in the mount table
        {"media", "a file system is mounted inside it, on " + top + "/media/usb stick"},
        {"sub", "a file system is mounted inside it, on " + top + "/sub/deep/inner"},
        {"x/b", "it is the top of a mounted file system"},
        {"home", "it holds the trash"},
        {"home/share/Trash/info", "it is a folder of the trash"},
        {".Trash", "it is a folder of the trash"},
        {".Trash/1000", "it is a folder of the trash"},
        {".Trash/1001/files", "it is a folder of the trash"},
        {".Trash/0/info/r.trashinfo", "it lies inside the trash"},
        {".Trash-0", "it is a folder of the trash"},
        {".Trash-1000/info", "it is a folder of the trash"},
        {".Trash-1001/files/r", "it lies inside the trash"},
        {"plain.txt", ""},
    };
    ExpectNothingOnTmpfs(top, [&]() -> std::string {
        dir.MakeFile("drive/home/share/Trash/files/old", "old");
        dir.MakeFile("drive/home/share/Trash/info/old.trashinfo", "[Trash Info]\nPath=/old\n");
        chmod(dir.MakeDir("drive/.Trash").c_str(), 01777);
        for (const char* user : {"0", "1000", "1001"}) {
            for (const std::string& trash : {".Trash/" + std::string(user), ".Trash-" + std::string(user)}) {
                dir.MakeFile("drive/" + trash + "/files/r", user);
                dir.MakeFile("drive/" + trash + "/info/r.trashinfo", "[Trash Info]\nPath=r\n");
            }
        }
        dir.MakeFile("drive/plain.txt", "p");
        const std::string usb = dir.MakeDir("drive/media/usb stick"), inner = dir.MakeDir("drive/sub/deep/inner");
        const std::string a = dir.MakeDir("drive/x/a"), b = dir.MakeDir("drive/x/b");
        if (mount("tmpfs", usb.c_str(), "tmpfs", 0, nullptr) ||
            mount(top.c_str(), inner.c_str(), nullptr, MS_BIND, nullptr) ||
            mount(a.c_str(), b.c_str(), nullptr, MS_BIND, nullptr))
            return "SKIP tmpfs or bind: " + std::string(strerror(errno));
        dir.MakeFile("drive/media/usb stick/data", "usb");
        std::string lines;
        CTrash trash;
        for (const auto& [path, reason] : cases) {
            const std::string went = Move(trash, top, "/" + path);
            if (went != reason || fs::exists(fs::symlink_status(top + "/" + path)) != !reason.empty())
                lines += path + ": " + went + "\n";
        }
        // Nothing made beside the bind mount; the home trash holds what it held and plain.txt.
        if (ListingOrder(top + "/x").size() != 2) lines += "a trash was made in x\n";
        const std::vector<std::string> held = ListingOrder(top + "/home/share/Trash/files"), kept{"old", "plain.txt"};
        if (!std::is_permutation(held.begin(), held.end(), kept.begin(), kept.end())) lines += "home trash changed\n";
        if (ReadFile(top + "/media/usb stick/data") + ReadFile(top + "/.Trash-1001/files/r") != "usb1001")
            lines += "the mounted file or a record moved\n";
        if (mount("tmpfs", "/proc", "tmpfs", 0, nullptr) != 0) return "SKIP /proc: " + std::string(strerror(errno));
        const std::string blind = MoveToTrash(top + "/media");  // no mount table to read
        return lines + (blind == "the mount table cannot be read: No such file or directory" ? "" : "blind: " + blind);
    });
}

TEST(TrashTest, AnEntrySwappedInBetweenTheCheckAndTheMoveGoesBack) {
    // Fault mended: an entry swapped into the checked entry's name (RENAME_EXCHANGE) just before
    // the rename went into the trash in its place. A racer swaps a victim with a decoy of another
    // length, or a folder, throughout each of 200 deletes: no decoy may stay in the trash, and every
    // entry is somewhere.
    TempDir dir;
    ScopedEnv xdg("XDG_DATA_HOME", dir.Path() + "/data");
    constexpr int kRounds = 200;
    std::vector<std::string> folders(kRounds);
    std::vector<FileId> victims(kRounds), decoys(kRounds);
    auto idOf = [](const std::string& path) {
        struct stat st {};
        lstat(path.c_str(), &st);
        return FileId{st.st_dev, st.st_ino};
    };
    std::atomic<int> round{-1};
    std::atomic<bool> stop{false};
    std::thread racer([&] {
        while (!stop.load()) {
            const int r = round.load();
            if (r < 0) continue;
            renameat2(AT_FDCWD, (folders[r] + "/victim").c_str(), AT_FDCWD, (folders[r] + "/decoy").c_str(),
                      RENAME_EXCHANGE);
        }
    });
    CTrash trash;
    CEntryAt entry;
    std::vector<std::string> results(kRounds);
    for (int r = 0; r < kRounds; ++r) {
        folders[r] = dir.MakeDir("r/" + std::to_string(r));
        victims[r] = idOf(dir.MakeFile("r/" + std::to_string(r) + "/victim", "victim"));
        decoys[r] =
            idOf(r % 2 ? dir.MakeFile("r/" + std::to_string(r) + "/decoy", "longer decoy")
                       : fs::path(dir.MakeFile("r/" + std::to_string(r) + "/decoy/inner", "d")).parent_path().string());
        results[r] = entry.Open(folders[r], "/victim");
        round.store(r);
        if (results[r].empty()) results[r] = trash.Move(entry);
        round.store(-1);
    }
    stop.store(true);
    racer.join();
    std::vector<FileId> inTrash;
    for (const std::string& name : ListingOrder(dir.Path() + "/data/Trash/files"))
        inTrash.push_back(idOf(dir.Path() + "/data/Trash/files/" + name));
    for (int r = 0; r < kRounds; ++r) {
        const bool bMoved = std::count(inTrash.begin(), inTrash.end(), victims[r]) == 1;
        EXPECT_EQ(bMoved, results[r].empty()) << r << ": " << results[r];
        EXPECT_TRUE(results[r].empty() ||
                    results[r] == "another entry took its place as it was moved; that entry was put back")
            << results[r];
        std::vector<FileId> left;
        for (const char* name : {"/victim", "/decoy"})
            if (fs::exists(fs::symlink_status(folders[r] + name))) left.push_back(idOf(folders[r] + name));
        EXPECT_EQ(std::count(left.begin(), left.end(), decoys[r]), 1) << "the decoy stays in its folder, round " << r;
        EXPECT_EQ(std::count(left.begin(), left.end(), victims[r]), bMoved ? 0 : 1) << r;
    }
    EXPECT_EQ(inTrash.size(), static_cast<std::size_t>(std::count(results.begin(), results.end(), "")));
}

TEST(TrashTest, AMountMadeThroughAnotherBindMountOfTheFolderIsInsideIt) {
    // Faults mended: a tmpfs on /t/view/vw/usb, /t/view a bind mount of the drive /t/C, lies below /t/C/vw in
    // their file system and went to the trash with vw; /t/C/vw/usb got a trash made before its rename failed.
    TempDir dir;
    const std::string table = dir.MakeFile("mountinfo",
                                           "20 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
                                           "66 20 0:40 / /t rw - tmpfs t rw\n"
                                           "67 66 0:40 /C /t/view rw - tmpfs t rw\n"
                                           "68 67 0:41 / /t/view/vw/usb rw - tmpfs u rw\n"
                                           "69 20 0:42 / /D/z rw - tmpfs z rw\n");
    const CMountTable mounts(table);
    for (const char* folder : {"/t/C/vw", "/t/C/vw/usb"}) EXPECT_EQ(mounts.Inside(folder, 66), "/t/view/vw/usb");
    EXPECT_EQ(mounts.Inside("/t/view/vw", 67), "/t/view/vw/usb");
    EXPECT_EQ(mounts.Inside("/t/C/v", 66), "");  // a name that only begins like the mount's folder
    EXPECT_EQ(mounts.Inside("/t/D", 66), "");    // /D/z lies in "/"'s file system, not in /t's
    EXPECT_EQ(CMountTable(dir.MakeFile("masked", "")).Error(), ENODATA);  // it showed no mount, so none inside
}

TEST(TrashTest, EveryHomeTrashTheLinksOnTheWayToItAndWhatHoldsThemStay) {
    // Faults mended: with $XDG_DATA_HOME reached through links (a ~/.local linked to another disk),
    // a link went into the trash, and the trash and what had gone into it with it. As root, another
    // user's home trash went into the trash in use, with its records, and so did a ~/.local link on
    // the way to it, which left that user's desktop without its trash.
    TempDir dir;
    const std::string c = dir.MakeDir("C/real/share"), alice = dir.MakeDir("home/alice");
    fs::create_directory_symlink("real", dir.Path() + "/C/dotlocal");
    fs::create_directory_symlink("../dotlocal", dir.MakeDir("C/up") + "/chain");  // a link to a link
    ScopedEnv xdg("XDG_DATA_HOME", dir.Path() + "/C/up/chain/share");
    const std::string trash = dir.MakeDir("disk/alocal/share/Trash/files");
    fs::create_directory_symlink("../../disk/alocal", alice + "/.local");
    dir.MakeFile("passwd", "alice:x:1000:1000::" + alice + ":/bin/sh\n");
    const std::string link = "it is a link on the way to the trash", holds = "it holds the trash";
    // Taken one at a time, in this order: an entry that moves changes the next one's path.
    const std::pair<std::string, std::string> cases[] = {
        {dir.Path() + "/C/up/chain", link},
        {dir.Path() + "/C/dotlocal", link},
        {dir.Path() + "/C/up", holds},
        {dir.Path() + "/C/real", holds},
        {trash, "it is a folder of the trash"},
        {fs::path(trash).parent_path(), "it is a folder of the trash"},
        {alice + "/.local", link},
        {alice, holds},
        {dir.MakeFile("C/f.txt", "f"), ""},
    };
    const std::optional<std::string> out = RunInChildProcess([&]() -> std::string {
        if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount((dir.Path() + "/passwd").c_str(), "/etc/passwd", nullptr, MS_BIND, nullptr) != 0)
            return "SKIP a user database of the test's own: " + std::string(strerror(errno));
        std::string lines;
        for (const auto& [path, reason] : cases)
            if (const std::string went = MoveToTrash(path); went != reason) lines += path + ": " + went + "\n";
        return lines;
    });
    if (out.value().rfind("SKIP ", 0) == 0) return MountRefused(out->substr(5));
    EXPECT_EQ(*out, "");
    EXPECT_EQ(ReadFile(c + "/Trash/files/f.txt"), "f");
}
