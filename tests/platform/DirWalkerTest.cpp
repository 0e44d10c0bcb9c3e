#include "platform/DirWalker.h"

#include "TestSupport.h"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

struct Seen {
    std::string path;
    std::string name;
    bool bDir;
    std::uint64_t nLength;
    bool operator==(const Seen&) const = default;
};

std::vector<Seen> Walk(const std::string& root, CDirWalker::Mode mode = CDirWalker::Mode::Status,
                       bool* pOk = nullptr) {
    std::vector<Seen> seen;
    auto visit = [&](const CDirWalker::Entry& e) {
        seen.push_back({std::string(e.path), std::string(e.name), e.bDir, e.nLength});
    };
    CDirWalker walker(mode);
    const bool ok = walker.Walk(root, visit);
    if (pOk) *pOk = ok;
    return seen;
}

std::vector<std::string> Paths(const std::vector<Seen>& seen) {
    std::vector<std::string> paths;
    for (const Seen& s : seen) paths.push_back((s.bDir ? "D " : "F ") + s.path);
    return paths;
}

// What the walk must give, built from the directory listings themselves: pre-order, each
// directory's entries in the order its listing returns them.
void ExpectedOrder(const std::string& dir, std::vector<std::string>& out) {
    for (const std::string& name : ListingOrder(dir)) {
        const std::string path = dir + "/" + name;
        const bool bDir = std::filesystem::is_directory(std::filesystem::symlink_status(path));
        out.push_back((bDir ? "D " : "F ") + path);
        if (bDir) ExpectedOrder(path, out);
    }
}

int OpenDescriptors() {
    int n = 0;
    if (DIR* d = opendir("/proc/self/fd")) {
        while (readdir(d)) ++n;
        closedir(d);
    }
    return n;
}

// Restores the walker's listing hook at the end of a test.
struct ScopedListingHook {
    explicit ScopedListingHook(CDirWalker::ListingHook hook) : previous(CDirWalker::SetListingHook(std::move(hook))) {}
    ~ScopedListingHook() { CDirWalker::SetListingHook(std::move(previous)); }
    CDirWalker::ListingHook previous;
};

TEST(DirWalkerTest, WalksPreOrderInListingOrderWithoutDotEntries) {
    TempDir tmp;
    // Enough names that the listing's order is not the order of creation or the alphabet.
    for (const char* dir : {"alpha", "beta/one", "beta/two/deep", "gamma", ".hidden"}) tmp.MakeDir(dir);
    for (const char* file : {"f1", "f2.txt", "zz", "beta/b1", "beta/two/t1", "beta/two/deep/d1", "gamma/g1",
                             ".hidden/h", "beta/one/o1", "beta/one/o2", "aa", "mm"})
        tmp.MakeFile(file, "x");
    std::vector<std::string> expected;
    ExpectedOrder(tmp.Path(), expected);
    ASSERT_EQ(expected.size(), 19u);

    for (auto mode : {CDirWalker::Mode::Status, CDirWalker::Mode::DirStatus, CDirWalker::Mode::TypesOnly}) {
        bool ok = false;
        const std::vector<Seen> seen = Walk(tmp.Path(), mode, &ok);
        EXPECT_TRUE(ok);
        if (mode == CDirWalker::Mode::Status) {
            EXPECT_EQ(Paths(seen), expected);
        } else {
            // Files carry no path outside the Status mode; the order of names must still match.
            ASSERT_EQ(seen.size(), expected.size());
            for (std::size_t i = 0; i < seen.size(); ++i)
                EXPECT_EQ(expected[i].substr(expected[i].rfind('/') + 1), seen[i].name) << i;
        }
        for (const Seen& s : seen) EXPECT_TRUE(s.name != "." && s.name != "..");
    }
}

TEST(DirWalkerTest, TrailingSlashAndRootGiveSinglySlashedPaths) {
    TempDir tmp;
    tmp.MakeFile("A/f");
    const std::vector<std::string> expected = {"D " + tmp.Path() + "/A", "F " + tmp.Path() + "/A/f"};
    EXPECT_EQ(Paths(Walk(tmp.Path() + "/")), expected);
    EXPECT_EQ(Paths(Walk(tmp.Path() + "//")), expected);
    // A relative folder is taken from the current directory, and the rows stay absolute.
    const std::string cwd = std::filesystem::current_path();
    std::filesystem::current_path(tmp.Path());
    const std::vector<Seen> relative = Walk("A");
    std::filesystem::current_path(cwd);
    ASSERT_EQ(relative.size(), 1u);
    EXPECT_EQ(relative[0].path, tmp.Path() + "/A/f");
}

TEST(DirWalkerTest, MissingFolderHandsOnNothing) {
    TempDir tmp;
    bool ok = true;
    EXPECT_TRUE(Walk(tmp.Path() + "/absent", CDirWalker::Mode::Status, &ok).empty());
    EXPECT_FALSE(ok);
    EXPECT_TRUE(Walk("", CDirWalker::Mode::Status, &ok).empty());
    EXPECT_FALSE(ok);
}

TEST(DirWalkerTest, EntryRemovedBetweenListingAndStatusIsLeftOutSilently) {
    TempDir tmp;
    for (const char* f : {"a", "b", "c", "d", "e"}) tmp.MakeFile(f);
    const std::vector<std::string> order = ListingOrder(tmp.Path());
    ASSERT_EQ(order.size(), 5u);
    // The third entry is deleted once the listing has been read, before any status is.
    ScopedListingHook hook([&](std::string_view) {
        std::filesystem::remove(tmp.Path() + "/" + order[2]);
        return true;
    });
    std::vector<std::string> names;
    auto visit = [&](const CDirWalker::Entry& e) { names.emplace_back(e.name); };
    CDirWalker walker(CDirWalker::Mode::Status);
    EXPECT_TRUE(walker.Walk(tmp.Path(), visit));
    EXPECT_EQ(names, (std::vector<std::string>{order[0], order[1], order[3], order[4]}));
}

TEST(DirWalkerTest, SymbolicLinksAreFilesAndNeverFollowed) {
    TempDir tmp;
    tmp.MakeFile("A/f", "12345");
    ASSERT_EQ(symlink("..", (tmp.Path() + "/A/up").c_str()), 0);      // a loop back to the root
    ASSERT_EQ(symlink("self", (tmp.Path() + "/self").c_str()), 0);    // a link to itself
    ASSERT_EQ(symlink(tmp.Path().c_str(), (tmp.Path() + "/root").c_str()), 0);
    const std::vector<Seen> seen = Walk(tmp.Path());
    ASSERT_EQ(seen.size(), 5u);  // A, A/f, A/up, self, root: nothing below a link
    for (const Seen& s : seen) {
        if (s.name == "A") {
            EXPECT_TRUE(s.bDir);
            continue;
        }
        EXPECT_FALSE(s.bDir) << s.path;
        // A link's own length is the length of the text it holds.
        const std::uint64_t expected = s.name == "f" ? 5 : s.name == "up" ? 2 : s.name == "self" ? 4 : tmp.Path().size();
        EXPECT_EQ(s.nLength, expected) << s.path;
    }
}

TEST(DirWalkerTest, InjectedListingFailureKeepsTheRowAndSkipsTheSubtree) {
    TempDir tmp;
    tmp.MakeFile("A/x");
    tmp.MakeFile("A/sub/y");
    tmp.MakeFile("B/z");
    const std::string failing = tmp.Path() + "/A";
    ScopedListingHook hook([&](std::string_view path) { return path != failing; });
    std::vector<std::string> expected;
    for (const std::string& name : ListingOrder(tmp.Path())) {
        expected.push_back("D " + tmp.Path() + "/" + name);
        if (name == "B") expected.push_back("F " + tmp.Path() + "/B/z");
    }
    EXPECT_EQ(Paths(Walk(tmp.Path())), expected);
    EXPECT_EQ(Walk(tmp.Path(), CDirWalker::Mode::TypesOnly).size(), expected.size());
}

TEST(DirWalkerTest, DirectoryAnUnprivilegedUserCannotListKeepsItsRow) {
    TempDir tmp;
    tmp.MakeFile("A/x");
    tmp.MakeFile("B/y");
    ASSERT_EQ(chmod((tmp.Path() + "/A").c_str(), 0), 0);
    const std::optional<std::string> out = RunInChildProcess([&] {
        if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) return std::string("no-drop");
        std::string lines;
        for (const std::string& line : Paths(Walk(tmp.Path()))) lines += line + "\n";
        return lines;
    });
    ASSERT_TRUE(out.has_value());
    if (*out == "no-drop") GTEST_SKIP() << "cannot drop to user 65534 here";
    std::vector<std::string> expected;
    for (const std::string& name : ListingOrder(tmp.Path())) {
        expected.push_back("D " + tmp.Path() + "/" + name);
        if (name == "B") expected.push_back("F " + tmp.Path() + "/B/y");
    }
    std::string lines;
    for (const std::string& line : expected) lines += line + "\n";
    EXPECT_EQ(*out, lines);
}

TEST(DirWalkerTest, TenThousandLevelsWalkCompletelyInOrderWithBoundedDescriptors) {
    constexpr int kDepth = 10000;
    TempDir tmp;
    // Built with mkdirat/openat: the deepest paths run to 60,000 bytes, far beyond PATH_MAX.
    std::deque<std::string> expected;  // "D"/"F" and the entry's path length, in walk order
    const std::size_t rootLen = tmp.Path().size();
    std::vector<int> fileLevels;
    int fd = open(tmp.Path().c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    for (int level = 0; level < kDepth; ++level) {
        ASSERT_EQ(mkdirat(fd, "level", 0755), 0) << level;
        if (level % 1000 == 500) {
            const int file = openat(fd, "f", O_WRONLY | O_CREAT, 0644);
            ASSERT_GE(file, 0);
            close(file);
            fileLevels.push_back(level);
        }
        const int child = openat(fd, "level", O_RDONLY | O_DIRECTORY);
        ASSERT_GE(child, 0);
        close(fd);
        fd = child;
    }
    close(fd);
    // The order of "f" and "level" in the listings that hold both decides where each f stands.
    std::vector<bool> fileFirst;
    fd = open(tmp.Path().c_str(), O_RDONLY | O_DIRECTORY);
    for (int level = 0, next = 0; level < kDepth; ++level) {
        if (next < static_cast<int>(fileLevels.size()) && fileLevels[next] == level) {
            DIR* d = fdopendir(dup(fd));
            std::vector<std::string> names;
            while (dirent* e = readdir(d))
                if (e->d_name[0] != '.') names.emplace_back(e->d_name);
            closedir(d);
            ASSERT_EQ(names.size(), 2u);
            fileFirst.push_back(names[0] == "f");
            ++next;
        }
        const int child = openat(fd, "level", O_RDONLY | O_DIRECTORY);
        close(fd);
        fd = child;
    }
    close(fd);
    for (int level = kDepth - 1, next = static_cast<int>(fileLevels.size()) - 1; level >= 0; --level) {
        const std::string dir = "D " + std::to_string(rootLen + 6 * (level + 1));
        if (next >= 0 && fileLevels[next] == level) {
            const std::string file = "F " + std::to_string(rootLen + 6 * level + 2);
            if (fileFirst[next]) {
                expected.push_front(dir);
                expected.push_front(file);
            } else {
                expected.push_back(file);
                expected.push_front(dir);
            }
            --next;
        } else {
            expected.push_front(dir);
        }
    }

    const int before = OpenDescriptors();
    int most = before;
    ScopedListingHook hook([&](std::string_view) {
        most = std::max(most, OpenDescriptors());
        return true;
    });
    std::vector<std::string> seen;
    std::string deepest;
    auto visit = [&](const CDirWalker::Entry& e) {
        seen.push_back((e.bDir ? "D " : "F ") + std::to_string(e.path.size()));
        if (e.path.size() > deepest.size()) deepest = e.path;
    };
    CDirWalker walker(CDirWalker::Mode::Status);
    ASSERT_TRUE(walker.Walk(tmp.Path(), visit));
    EXPECT_EQ(seen, std::vector<std::string>(expected.begin(), expected.end()));
    std::string deepestExpected = tmp.Path();
    for (int level = 0; level < kDepth; ++level) deepestExpected += "/level";
    EXPECT_EQ(deepest, deepestExpected);
    // The hook's own count opens one descriptor; the walk holds its window and one being opened.
    EXPECT_LE(most - before, static_cast<int>(CDirWalker::kOpenLevels) + 2);
    EXPECT_EQ(OpenDescriptors(), before);

    std::size_t dirs = 0, files = 0;
    auto count = [&](const CDirWalker::Entry& e) { ++(e.bDir ? dirs : files); };
    CDirWalker counter(CDirWalker::Mode::TypesOnly);
    ASSERT_TRUE(counter.Walk(tmp.Path(), count));
    EXPECT_EQ(dirs, static_cast<std::size_t>(kDepth));
    EXPECT_EQ(files, fileLevels.size());
}

TEST(DirWalkerTest, MountPointsAreListedButNotEntered) {
    TempDir tmp;
    tmp.MakeFile("M/hidden-by-mount");
    tmp.MakeDir("B/bind");
    tmp.MakeFile("B/b");
    // In a private mount namespace of a child: a tmpfs on M (another device) and the tree's own root
    // bound onto B/bind (the same device: entering it would never end).
    const std::optional<std::string> out = RunInChildProcess([&]() -> std::string {
        if (unshare(CLONE_NEWNS) != 0) return "SKIP unshare(CLONE_NEWNS): " + std::string(strerror(errno));
        if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return "SKIP private mounts: " + std::string(strerror(errno));
        const std::string m = tmp.Path() + "/M", bind = tmp.Path() + "/B/bind";
        if (mount("zorbin-test", m.c_str(), "tmpfs", 0, nullptr) != 0)
            return "SKIP mount tmpfs: " + std::string(strerror(errno));
        if (mount(tmp.Path().c_str(), bind.c_str(), nullptr, MS_BIND, nullptr) != 0)
            return "SKIP bind mount: " + std::string(strerror(errno));
        std::ofstream(m + "/inside") << "x";
        std::string lines;
        for (const std::string& line : Paths(Walk(tmp.Path()))) lines += line + "\n";
        umount(bind.c_str());
        umount(m.c_str());
        return lines;
    });
    ASSERT_TRUE(out.has_value());
    if (out->rfind("SKIP ", 0) == 0) GTEST_SKIP() << "no mount point can be made here: " << out->substr(5);
    std::vector<std::string> expected;
    for (const std::string& name : ListingOrder(tmp.Path())) {
        expected.push_back("D " + tmp.Path() + "/" + name);
        if (name == "B")
            for (const std::string& inB : ListingOrder(tmp.Path() + "/B"))
                expected.push_back((inB == "b" ? "F " : "D ") + tmp.Path() + "/B/" + inB);
    }
    std::string lines;
    for (const std::string& line : expected) lines += line + "\n";
    EXPECT_EQ(*out, lines);
}

}  // namespace
