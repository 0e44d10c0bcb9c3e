#include "scan/DirWalker.h"

#include "TopFolderSwap.h"

#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

using Mode = CDirWalker::Mode;

// "D path" or "F path" per entry handed on, in the walk's order (files by name where they carry
// no path); "failed" when the walk refused its folder.
std::string Walk(CDirWalker& walker, const std::string& root, const CDirWalker::DirId* expect = nullptr) {
    std::string lines;
    auto visit = [&](const CDirWalker::Entry& e) {
        lines += std::string(e.bDir ? "D " : "F ") + std::string(e.path.empty() ? e.name : e.path) + "\n";
    };
    return walker.Walk(root, visit, expect) ? lines : lines + "failed\n";
}

std::string Walk(const std::string& root, Mode mode = Mode::Status) {
    CDirWalker walker(mode);
    return Walk(walker, root);
}

// The reference as the walk's lines; files by name alone when bNamesOnly.
std::string Expected(const std::string& dir, const std::vector<std::string>& skip = {}, bool bNamesOnly = false) {
    std::string out;
    for (const ListedEntry& e : WalkOrder(dir, skip)) {
        out += e.bDir ? "D " : "F ";
        out += bNamesOnly && !e.bDir ? e.path.substr(e.path.rfind('/') + 1) : e.path;
        out += '\n';
    }
    return out;
}

// The lines of a walk's text, sorted: walks of parts run in another order than one whole walk.
std::vector<std::string> SortedLines(const std::string& text) {
    std::vector<std::string> out;
    for (std::size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
        out.push_back(text.substr(at, end - at));
    std::sort(out.begin(), out.end());
    return out;
}

TEST(DirWalkerTest, EveryModeRootAndFrontierWalksPreOrderInListingOrder) {
    // Hidden entries, a name that only starts like a dot entry ("..x": only "." and ".." are dot
    // entries), a link that loops back to the root and a link to itself (links are files, never
    // followed), an empty folder.
    TempDir tmp;
    const std::string root = tmp.Path();
    for (const char* file :
         {"f1", "..x", "zz", "beta/b1", "beta/two/t1", "beta/two/deep/d1", ".hidden/h", "beta/one/o1", "aa"})
        tmp.MakeFile(file, "x");
    tmp.MakeDir("alpha");
    ASSERT_EQ(symlink("..", (root + "/beta/up").c_str()), 0);
    ASSERT_EQ(symlink("self", (root + "/self").c_str()), 0);
    EXPECT_EQ(Walk(root), Expected(root));
    EXPECT_EQ(Walk(root + "//"), Expected(root));  // no doubled slashes in the paths
    EXPECT_EQ(Walk(root, Mode::DirStatus), Expected(root, {}, true));
    EXPECT_EQ(Walk(root, Mode::TypesOnly), Expected(root, {}, true));
    EXPECT_EQ(Walk(root + "/absent"), "failed\n");
    // A walk cut at a depth plus walks of its frontier hand on exactly the entries of one whole
    // walk (a count shares the frontier between two threads).
    std::vector<CDirWalker::DirId> top;
    CDirWalker rest(Mode::TypesOnly);
    for (std::size_t depth = 1; depth <= 4; ++depth) {
        CDirWalker walker(Mode::TypesOnly);
        walker.SetDepthLimit(depth);
        std::string text = Walk(walker, root);
        std::vector<CDirWalker::DirId> frontier = walker.TakeFrontier();
        for (const CDirWalker::DirId& dir : frontier) text += Walk(rest, dir.path, &dir);
        EXPECT_EQ(SortedLines(text), SortedLines(Expected(root, {}, true))) << "depth " << depth;
        if (depth == 1) top = std::move(frontier);
    }
    {
        // A folder whose listing fails keeps its row, with nothing below it; an entry gone between
        // its listing and its status is left out.
        ScopedListingHook hook([&](std::string_view path) {
            if (path == root) std::filesystem::remove(root + "/zz");
            return path != root + "/beta";
        });
        const std::string walked = Walk(root);
        EXPECT_EQ(walked, Expected(root, {root + "/beta"}));
        EXPECT_EQ(walked.find("/zz"), std::string::npos);
    }
    // A frontier folder replaced since it was listed, by a link or by another folder, is not walked.
    ASSERT_EQ(top.size(), 3u);  // beta, .hidden and alpha; not the links
    std::filesystem::rename(root + "/beta", root + "/moved");
    ASSERT_EQ(symlink(".hidden", (root + "/beta").c_str()), 0);
    std::filesystem::rename(root + "/alpha", root + "/gone");
    std::filesystem::rename(root + "/moved", root + "/alpha");
    for (const CDirWalker::DirId& dir : top)
        EXPECT_EQ(Walk(rest, dir.path, &dir), dir.path == root + "/.hidden" ? "F h\n" : "failed\n") << dir.path;
}

TEST(DirWalkerTest, FoldersTheUserMayNotListKeepTheirRowsAreCountedAndTheRootSaysWhy) {
    // Fault mended: a drive or folder that could not be read looked empty, with no word why.
    TempDir tmp;
    const std::string root = tmp.Path();
    for (const char* file : {"a", "A/x", "B/C/y", "B/z", "R/r"}) tmp.MakeFile(file);
    const std::string expected = Expected(root, {root + "/A", root + "/B/C", root + "/R"}) + "3 0\nfailed\n0 " +
                                 std::to_string(EACCES) + "\n" + Expected(root + "/B", {root + "/B/C"}) + "1 0\n";
    for (const char* dir : {"/A", "/B/C", "/R"}) ASSERT_EQ(chmod((root + dir).c_str(), 0), 0);
    const std::optional<std::string> out = RunInChildProcess([&] {
        if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) return std::string("no-drop");
        CDirWalker walker(Mode::Status);
        std::string lines;
        for (const std::string& folder : {root, root + "/R", root + "/B"}) {
            lines += Walk(walker, folder);
            lines += std::to_string(walker.Unlisted()) + " " + std::to_string(walker.FolderError()) + "\n";
        }
        return lines;
    });
    ASSERT_TRUE(out.has_value());
    if (*out == "no-drop") GTEST_SKIP() << "cannot drop to user 65534 here";
    EXPECT_EQ(*out, expected);
}

// A chain of folders kDepth levels below root, each level's link in the chain listed first among
// four folders that each hold a file: whatever order a listing keeps, every level has folders to
// enter after the walk climbs back out of the chain. Returns the chain, root first.
std::vector<std::string> MakeChainWithSiblingsAfter(const std::string& root) {
    std::vector<std::string> chain = {root};
    for (std::size_t level = 0; level < CDirWalker::kOpenLevels + 8; ++level) {
        for (int i = 0; i < 4; ++i) {
            std::filesystem::create_directory(chain.back() + "/s" + std::to_string(i));
            std::ofstream(chain.back() + "/s" + std::to_string(i) + "/f");
        }
        const std::vector<std::string> names = ListingOrder(chain.back());
        chain.push_back(chain.back() + "/" + (names[0] == "f" ? names[1] : names[0]));
    }
    return chain;
}

int OpenDescriptors() { return static_cast<int>(ListingOrder("/proc/self/fd").size()); }

TEST(DirWalkerTest, ADeepChainHoldsOnlyItsWindowOpenAndLevelsAboveItWalkOnWhenTheChainMovesAway) {
    // A level above the window is closed and must be reopened: one left closed, or reopened as
    // another folder, loses the folders that follow the chain in its listing, or repeats them.
    // Once the deepest listing is read, the level below the window's top and the window's top
    // itself are moved out of the walk. Every level still walks all it had listed: the window's top
    // through the descriptor it kept (reopened, it is gone), the level above the window by its path
    // (reopened through "..", it is the folder the moved level went to).
    TempDir tmp;
    const std::string root = tmp.MakeDir("tree");
    const std::vector<std::string> chain = MakeChainWithSiblingsAfter(root);
    const std::size_t top = chain.size() - CDirWalker::kOpenLevels;  // the window's top level
    const std::string expected = Expected(root);
    const int before = OpenDescriptors();
    int most = before;
    ScopedListingHook hook([&](std::string_view path) {
        most = std::max(most, OpenDescriptors());
        if (path == chain.back()) {
            std::filesystem::rename(chain[top + 1], tmp.Path() + "/below-top");
            std::filesystem::rename(chain[top], tmp.Path() + "/top");
        }
        return true;
    });
    EXPECT_EQ(Walk(root), expected);
    EXPECT_FALSE(std::filesystem::exists(chain[top]));  // the move took place
    // The hook's own count opens one; the walk holds its window and one being opened.
    EXPECT_LE(most - before, static_cast<int>(CDirWalker::kOpenLevels) + 2);
    EXPECT_EQ(OpenDescriptors(), before);
}

TEST(DirWalkerTest, MountPointsAndSubvolumesAreListedButNotEntered) {
    // On a btrfs image: a subvolume is a folder of a device of its own that is no mount root (only
    // its device tells that the walk would leave its file system there), a tmpfs on M is another
    // device, and the image's root bound onto d/bind is the same device, a mount root: entering it
    // would never end.
    TempDir tmp;
    const std::string image = tmp.Path() + "/btrfs.img", top = tmp.MakeDir("top");
    const std::optional<std::string> out = RunInChildProcess([&]() -> std::string {
        if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return "SKIP private mount namespace: " + std::string(strerror(errno));
        const auto run = [](const std::string& command) {
            return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
        };
        // 128 MB: the least mkfs.btrfs takes with its defaults is 114 MB.
        if (!run("truncate -s 128M '" + image + "' && mkfs.btrfs -q '" + image + "'"))
            return "SKIP mkfs.btrfs (btrfs-progs) failed";
        if (!run("mount -o loop '" + image + "' '" + top + "'")) return "SKIP mount of a btrfs image: refused";
        if (!run("cd '" + top + "' && btrfs subvolume create sub && mkdir -p M d/bind && touch a sub/in d/e M/hidden"))
            return "SKIP btrfs subvolume create failed";
        if (mount("zorbin-test", (top + "/M").c_str(), "tmpfs", 0, nullptr) != 0 ||
            mount(top.c_str(), (top + "/d/bind").c_str(), nullptr, MS_BIND, nullptr) != 0)
            return "SKIP mount: " + std::string(strerror(errno));
        std::ofstream(top + "/M/inside") << "x";
        return Walk(top) + "|" + Expected(top, {top + "/sub", top + "/M", top + "/d/bind"});
    });
    ASSERT_TRUE(out.has_value());
    if (out->starts_with("SKIP ")) return MountRefused(out->substr(5));
    const std::size_t bar = out->find('|');
    EXPECT_EQ(out->substr(0, bar), out->substr(bar + 1));
}

}  // namespace
