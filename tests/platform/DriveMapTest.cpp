#include "platform/DiskFree.h"
#include "platform/DriveMap.h"

#include "TestSupport.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

std::string Letters(unsigned long mask) {
    std::string letters;
    for (int i = 0; i < 26; ++i)
        if (mask & (1UL << i)) letters += static_cast<char>('A' + i);
    return letters;
}

TEST(DriveMapTest, ZorbinDrivesReplacesTheMapAndMalformedEntriesAreNamed) {
    const std::string cwd = std::filesystem::current_path();
    const struct {
        std::string value;
        std::string letters;
        std::string folderOfFirst;  // the folder of the first letter in letters
        std::vector<std::string> named;  // entries the warning must name
    } cases[] = {
        {"C=/tmp/a,D=/tmp/b", "CD", "/tmp/a", {}},
        {"d=/tmp/b,c=/tmp/a", "CD", "/tmp/a", {}},  // drive letters are case-blind
        {"C=/tmp/a,,D=/tmp/b,", "CD", "/tmp/a", {}},  // empty entries are no entries
        {"", "", "", {}},                             // a map without drives
        {"C=/tmp/a,C=/tmp/b", "C", "/tmp/a", {"C=/tmp/b"}},
        {"Cfoo,D=/x", "D", "/x", {"Cfoo"}},
        {"1=/x,CD=/y,==/z,=/w,E=/v", "E", "/v", {"1=/x", "CD=/y", "==/z", "=/w"}},
        {"C=,D=/y", "D", "/y", {"C="}},
        {"\xC3\xA9=/x", "", "", {"\xC3\xA9=/x"}},
        {"Z=rel", "Z", cwd + "/rel", {}},  // relative: from the current directory
    };
    for (const auto& c : cases) {
        ScopedEnv env("ZORBIN_DRIVES", c.value);
        testing::internal::CaptureStderr();
        const unsigned long mask = _getdrives();
        const std::string warnings = testing::internal::GetCapturedStderr();
        EXPECT_EQ(Letters(mask), c.letters) << c.value;
        if (!c.letters.empty()) {
            EXPECT_EQ(DriveRootFolder(c.letters[0]), c.folderOfFirst) << c.value;
        }
        for (const std::string& entry : c.named)
            EXPECT_NE(warnings.find("\"" + entry + "\""), std::string::npos) << c.value << ": " << warnings;
        if (c.named.empty()) {
            EXPECT_EQ(warnings, "") << c.value;
        }
    }
}

TEST(DriveMapTest, DrivePathsResolveThroughTheMap) {
    ScopedEnv env("ZORBIN_DRIVES", "C=/tmp/zorbin-c,D=/tmp/zorbin-d/,E=/");
    const struct {
        const char* path;
        const char* resolved;
    } cases[] = {
        {"C:/", "/tmp/zorbin-c"},       {"C:", "/tmp/zorbin-c"},
        {"C:/x/y", "/tmp/zorbin-c/x/y"}, {"c:\\x", "/tmp/zorbin-c/x"},
        {"D:/x", "/tmp/zorbin-d/x"},     {"E:/usr", "/usr"},
        {"Q:/", ""},                     // a letter without a drive leads nowhere
        {"/abs/C:/x", "/abs/C:/x"},      {"CC:/x", "CC:/x"},
        {"C:x", "C:x"},                  {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(ResolveDrivePath(c.path), c.resolved) << c.path;
    EXPECT_EQ(DriveRootFolder('c'), "/tmp/zorbin-c");
}

TEST(DriveMapTest, MountTableMapsRootToCAndOneLetterPerDevice) {
    // Only the mount table is read here; no file system is walked.
    const char* old = std::getenv("ZORBIN_DRIVES");
    const std::string saved = old ? old : "";
    unsetenv("ZORBIN_DRIVES");
    const unsigned long mask = _getdrives();
    std::vector<std::string> folders;
    for (int i = 0; i < 26; ++i) folders.push_back(DriveRootFolder(static_cast<char>('A' + i)));
    if (old) setenv("ZORBIN_DRIVES", saved.c_str(), 1);

    ASSERT_TRUE(mask & (1UL << 2));
    EXPECT_EQ(folders[2], "/");
    EXPECT_EQ(mask & 3UL, 0UL) << "A: and B: are never assigned";
    std::vector<dev_t> devices;
    for (int i = 2; i < 26; ++i) {
        EXPECT_EQ(!folders[i].empty(), (mask & (1UL << i)) != 0) << static_cast<char>('A' + i);
        if (folders[i].empty()) continue;
        struct stat st;
        ASSERT_EQ(stat(folders[i].c_str(), &st), 0) << folders[i];
        EXPECT_TRUE(S_ISDIR(st.st_mode)) << folders[i];
        for (dev_t dev : devices) EXPECT_NE(dev, st.st_dev) << folders[i] << " is a second mount of a device";
        devices.push_back(st.st_dev);
    }
}

TEST(DriveMapTest, DiskFreeGivesStatvfsFiguresIn64Bits) {
    TempDir tmp;
    ScopedEnv env("ZORBIN_DRIVES", "C=" + tmp.Path());
    _diskfree_t space;
    ASSERT_EQ(_getdiskfree(3, &space), 0u);
    struct statvfs fs;
    ASSERT_EQ(statvfs(tmp.Path().c_str(), &fs), 0);
    EXPECT_EQ(space.total_clusters * space.sectors_per_cluster * space.bytes_per_sector,
              static_cast<std::uint64_t>(fs.f_blocks) * fs.f_frsize);
    // Available space may move between the two calls while other processes write.
    const std::uint64_t avail = space.avail_clusters * space.sectors_per_cluster * space.bytes_per_sector;
    const std::uint64_t expected = static_cast<std::uint64_t>(fs.f_bavail) * fs.f_frsize;
    EXPECT_NEAR(static_cast<double>(avail), static_cast<double>(expected), 64.0 * 1024 * 1024);

    for (unsigned drive : {0u, 4u, 27u}) EXPECT_NE(_getdiskfree(drive, &space), 0u) << drive;  // D: is not mapped
}

}  // namespace
