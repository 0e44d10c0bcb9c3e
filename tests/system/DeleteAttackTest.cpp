#include "system/TrashMounts.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

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

}  // namespace
