#include "system/Trash.h"
#include "system/TrashMounts.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sched.h>
#include <sys/mount.h>

namespace {

TEST(DeleteAttackTest, AMountMadeThroughAnotherBindMountOfTheFolderIsInsideIt) {
    // Fault mended: a tmpfs mounted on /t/view/vw/usb, where /t/view is a bind mount of the drive
    // /t/C, lies below /t/C/vw in their file system, and went into the trash with vw.
    TempDir dir;
    const std::string table = dir.MakeFile("mountinfo",
                                           "20 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
                                           "66 20 0:40 / /t rw - tmpfs t rw\n"
                                           "67 66 0:40 /C /t/view rw - tmpfs t rw\n"
                                           "68 67 0:41 / /t/view/vw/usb rw - tmpfs u rw\n"
                                           "69 20 0:42 / /D/z rw - tmpfs z rw\n");
    const CMountTable mounts(table);
    EXPECT_EQ(mounts.Inside("/t/C/vw", 66), "/t/view/vw/usb");
    EXPECT_EQ(mounts.Inside("/t/view/vw", 67), "/t/view/vw/usb");
    EXPECT_EQ(mounts.Inside("/t/C/v", 66), "");  // a name that only begins like the mount's folder
    EXPECT_EQ(mounts.Inside("/t/D", 66), "");    // /D/z lies in "/"'s file system, not in /t's
}

TEST(DeleteAttackTest, EveryUsersHomeTrashAndWhatHoldsItStay) {
    // Faults mended: as root, another user's home trash (or this user's own, with $XDG_DATA_HOME
    // pointing elsewhere) went into the trash in use, with its records; so did a ~/.local link
    // on the way to it, which left that user's desktop without its trash.
    TempDir dir;
    const std::string alice = dir.MakeDir("home/alice");
    const std::string trash = dir.MakeDir("disk/alocal/share/Trash");
    dir.MakeDir("disk/alocal/share/Trash/files");
    std::filesystem::create_directory_symlink("../../disk/alocal", alice + "/.local");
    dir.MakeFile("passwd", "alice:x:1000:1000::" + alice + ":/bin/sh\n");
    ScopedEnv xdg("XDG_DATA_HOME", dir.MakeDir("data"));
    const std::optional<std::string> out = RunInChildProcess([&]() -> std::string {
        if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount((dir.Path() + "/passwd").c_str(), "/etc/passwd", nullptr, MS_BIND, nullptr) != 0)
            return "SKIP a user database of the test's own: " + std::string(strerror(errno));
        std::string results;  // one at a time, in this order: an entry that moves changes the next one's path
        for (const std::string& path : {trash, trash + "/files", alice + "/.local", alice})
            results += MoveToTrash(path) + "|";
        return results;
    });
    ASSERT_TRUE(out.has_value());
    if (out->rfind("SKIP ", 0) == 0) return MountRefused(out->substr(5));
    EXPECT_EQ(*out,
              "it is a folder of the trash|it is a folder of the trash|it is a link on the way to the trash|it holds "
              "the trash|");
}

}  // namespace
