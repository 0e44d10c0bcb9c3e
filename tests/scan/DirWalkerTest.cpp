#include "scan/DirWalker.h"

#include "TestSupport.h"

#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

// "D path" or "F path" per entry handed on, in the walk's order.
std::string Walk(const std::string& root, CDirWalker::Mode mode = CDirWalker::Mode::Status, bool* pOk = nullptr) {
    std::string lines;
    auto visit = [&](const CDirWalker::Entry& e) {
        lines += e.bDir ? "D " : "F ";
        lines += e.path.empty() ? std::string(e.name) : std::string(e.path);
        lines += '\n';
    };
    CDirWalker walker(mode);
    const bool ok = walker.Walk(root, visit);
    if (pOk) *pOk = ok;
    return lines;
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

int OpenDescriptors() { return static_cast<int>(ListingOrder("/proc/self/fd").size()); }

struct ScopedListingHook {
    explicit ScopedListingHook(CDirWalker::ListingHook hook) : previous(CDirWalker::SetListingHook(std::move(hook))) {}
    ~ScopedListingHook() { CDirWalker::SetListingHook(std::move(previous)); }
    CDirWalker::ListingHook previous;
};

// A tree with hidden entries, a name that only starts like a dot entry ("..x": only "." and ".."
// are dot entries), a link that loops back to the root and a link to itself (links are files,
// never followed).
void MakeMixedTree(const TempDir& tmp) {
    for (const char* dir : {"alpha", "beta/one", "beta/two/deep", ".hidden"}) tmp.MakeDir(dir);
    for (const char* file :
         {"f1", "..x", "zz", "beta/b1", "beta/two/t1", "beta/two/deep/d1", ".hidden/h", "beta/one/o1", "aa"})
        tmp.MakeFile(file, "x");
    ASSERT_EQ(symlink("..", (tmp.Path() + "/beta/up").c_str()), 0);
    ASSERT_EQ(symlink("self", (tmp.Path() + "/self").c_str()), 0);
}

TEST(DirWalkerTest, EveryModeWalksPreOrderInListingOrder) {
    TempDir tmp;
    MakeMixedTree(tmp);
    EXPECT_EQ(Walk(tmp.Path()), Expected(tmp.Path()));
    // Files carry no path outside the Status mode.
    EXPECT_EQ(Walk(tmp.Path(), CDirWalker::Mode::DirStatus), Expected(tmp.Path(), {}, true));
    EXPECT_EQ(Walk(tmp.Path(), CDirWalker::Mode::TypesOnly), Expected(tmp.Path(), {}, true));
}

TEST(DirWalkerTest, SlashesAtTheEndOfTheRootDoNotDoubleInThePaths) {
    TempDir tmp;
    MakeMixedTree(tmp);
    EXPECT_EQ(Walk(tmp.Path() + "//"), Expected(tmp.Path()));
}

TEST(DirWalkerTest, ARelativeRootIsTakenFromTheCurrentDirectory) {
    TempDir tmp;
    MakeMixedTree(tmp);
    const std::filesystem::path cwd = std::filesystem::current_path();
    std::filesystem::current_path(tmp.Path() + "/beta");
    const std::string walked = Walk("two");
    std::filesystem::current_path(cwd);
    EXPECT_EQ(walked, Expected(tmp.Path() + "/beta/two"));
}

TEST(DirWalkerTest, AMissingRootHandsOnNothingAndFails) {
    TempDir tmp;
    bool ok = true;
    EXPECT_EQ(Walk(tmp.Path() + "/absent", CDirWalker::Mode::Status, &ok), "");
    EXPECT_FALSE(ok);
}

// The lines of a walk's text, sorted: walks of parts run in another order than one whole walk.
std::vector<std::string> SortedLines(const std::string& text) {
    std::vector<std::string> out;
    for (std::size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
        out.push_back(text.substr(at, end - at));
    std::sort(out.begin(), out.end());
    return out;
}

// Three top folders of unlike depth, a file at the top and a link to a folder.
void MakeFrontierTree(const TempDir& tmp) {
    for (const char* file : {"a/b/c/f", "a/b/g", "a/h", "d/e/i", "j", "k/l/m/n/o"}) tmp.MakeFile(file, "x");
    ASSERT_EQ(symlink("a", (tmp.Path() + "/link").c_str()), 0);
}

// A walk cut at a depth plus walks of its frontier hand on exactly the entries of one whole walk
// (a count shares the frontier between two threads).
TEST(DirWalkerTest, FrontierWalksTogetherMakeTheWholeWalk) {
    TempDir tmp;
    MakeFrontierTree(tmp);
    const std::vector<std::string> whole = SortedLines(Walk(tmp.Path(), CDirWalker::Mode::TypesOnly));
    for (std::size_t depth = 1; depth <= 4; ++depth) {
        std::string text;
        auto visit = [&text](const CDirWalker::Entry& e) {
            text += std::string(e.bDir ? "D " : "F ") + std::string(e.path.empty() ? e.name : e.path) + "\n";
        };
        CDirWalker walker(CDirWalker::Mode::TypesOnly);
        walker.SetDepthLimit(depth);
        walker.Walk(tmp.Path(), visit);
        for (const CDirWalker::DirId& dir : walker.TakeFrontier()) {
            CDirWalker rest(CDirWalker::Mode::TypesOnly);
            EXPECT_TRUE(rest.Walk(dir.path, visit, &dir)) << dir.path;
        }
        EXPECT_EQ(SortedLines(text), whole) << "depth " << depth;
    }
}

// A frontier folder replaced since it was listed, by a link or by another folder, is not walked.
TEST(DirWalkerTest, AFrontierFolderReplacedSinceItsListingIsNotWalked) {
    TempDir tmp;
    MakeFrontierTree(tmp);
    CDirWalker walker(CDirWalker::Mode::TypesOnly);
    walker.SetDepthLimit(1);
    auto none = [](const CDirWalker::Entry&) {};
    walker.Walk(tmp.Path(), none);
    std::vector<CDirWalker::DirId> frontier = walker.TakeFrontier();
    ASSERT_EQ(frontier.size(), 3u);  // a, d, k; not the link
    walker.SetDepthLimit(0);
    std::filesystem::rename(tmp.Path() + "/a", tmp.Path() + "/moved");
    ASSERT_EQ(symlink("d", (tmp.Path() + "/a").c_str()), 0);
    std::filesystem::rename(tmp.Path() + "/k", tmp.Path() + "/gone");
    std::filesystem::rename(tmp.Path() + "/moved", tmp.Path() + "/k");
    std::size_t handed = 0;
    auto count = [&handed](const CDirWalker::Entry&) { ++handed; };
    for (const CDirWalker::DirId& dir : frontier)
        EXPECT_EQ(walker.Walk(dir.path, count, &dir), dir.path == tmp.Path() + "/d") << dir.path;
    EXPECT_EQ(handed, 2u);  // d/e and d/e/i only
}

TEST(DirWalkerTest, AnEntryGoneBetweenItsListingAndItsStatusIsLeftOut) {
    TempDir tmp;
    for (const char* f : {"a", "b", "c", "A/x"}) tmp.MakeFile(f);
    std::string gone;
    for (const std::string& name : ListingOrder(tmp.Path()))
        if (name.size() == 1 && std::islower(static_cast<unsigned char>(name[0])) && gone.empty())
            gone = tmp.Path() + "/" + name;
    ScopedListingHook hook([&](std::string_view path) {
        if (path == tmp.Path()) std::filesystem::remove(gone);
        return true;
    });
    const std::string walked = Walk(tmp.Path());
    EXPECT_EQ(walked, Expected(tmp.Path()));  // read once the entry is gone
    EXPECT_EQ(walked.find(gone), std::string::npos);
}

TEST(DirWalkerTest, AFolderThatCannotBeListedKeepsItsRowAndNothingBelowItFollows) {
    TempDir tmp;
    for (const char* f : {"a", "A/x", "A/sub/y", "B/z"}) tmp.MakeFile(f);
    const std::string failing = tmp.Path() + "/A";
    ScopedListingHook hook([&](std::string_view path) { return path != failing; });
    EXPECT_EQ(Walk(tmp.Path()), Expected(tmp.Path(), {failing}));
}

TEST(DirWalkerTest, AFolderTheUserMayNotListKeepsItsRowAndNothingBelowItFollows) {
    TempDir tmp;
    for (const char* f : {"a", "A/x", "A/sub/y", "B/z"}) tmp.MakeFile(f);
    const std::string failing = tmp.Path() + "/A";
    const std::string expected = Expected(tmp.Path(), {failing});
    ASSERT_EQ(chmod(failing.c_str(), 0), 0);
    const std::optional<std::string> out = RunInChildProcess([&] {
        if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) return std::string("no-drop");
        return Walk(tmp.Path());
    });
    ASSERT_TRUE(out.has_value());
    if (*out == "no-drop") GTEST_SKIP() << "cannot drop to user 65534 here";
    EXPECT_EQ(*out, expected);
}

TEST(DirWalkerTest, FoldersThatCannotBeListedAreCountedAndAFolderThatCannotBeReadSaysWhy) {
    // Fault mended: a drive or folder that could not be read looked empty, with no word why.
    TempDir tmp;
    for (const char* file : {"A/x", "B/C/y", "B/z", "R/r"}) tmp.MakeFile(file);
    ASSERT_EQ(chmod(tmp.Path().c_str(), 0755), 0);
    for (const char* dir : {"/A", "/B/C", "/R"}) ASSERT_EQ(chmod((tmp.Path() + dir).c_str(), 0), 0);
    const std::optional<std::string> out = RunInChildProcess([&] {
        if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) return std::string("no-drop");
        CDirWalker walker(CDirWalker::Mode::DirStatus);
        auto none = [](const CDirWalker::Entry&) {};
        std::string lines;
        for (const std::string& folder : {tmp.Path(), tmp.Path() + "/R", tmp.Path() + "/B"}) {
            const bool bWalked = walker.Walk(folder, none);
            lines += std::to_string(bWalked) + " " + std::to_string(walker.Unlisted()) + " " +
                     std::to_string(walker.FolderError()) + "\n";
        }
        return lines;
    });
    ASSERT_TRUE(out.has_value());
    if (*out == "no-drop") GTEST_SKIP() << "cannot drop to user 65534 here";
    EXPECT_EQ(*out, "1 3 0\n0 0 " + std::to_string(EACCES) + "\n1 1 0\n");
}

// A chain of folders kDepth levels below root, each level's link in the chain listed first among
// four folders that each hold a file: whatever order a listing keeps, every level has folders to
// enter after the walk climbs back out of the chain. Returns the chain, root first.
std::vector<std::string> MakeChainWithSiblingsAfter(const std::string& root, int kDepth) {
    std::vector<std::string> chain = {root};
    for (int level = 0; level < kDepth; ++level) {
        for (int i = 0; i < 4; ++i) {
            const std::string sibling = chain.back() + "/s" + std::to_string(level) + "_" + std::to_string(i);
            std::filesystem::create_directory(sibling);
            std::ofstream(sibling + "/f") << "x";
        }
        for (const std::string& name : ListingOrder(chain.back()))
            if (name != "f") {
                chain.push_back(chain.back() + "/" + name);
                break;
            }
    }
    return chain;
}

constexpr int kChainDepth = static_cast<int>(CDirWalker::kOpenLevels) + 8;

TEST(DirWalkerTest, ChainDeeperThanTheDescriptorWindowReopensItsParentsForTheFoldersAfterIt) {
    // A level above the window is closed and must be reopened: one left closed, or reopened as
    // another folder, loses the folders that follow the chain in its listing, or repeats them.
    TempDir tmp;
    MakeChainWithSiblingsAfter(tmp.Path(), kChainDepth);
    const int before = OpenDescriptors();
    int most = before;
    ScopedListingHook hook([&](std::string_view) {
        most = std::max(most, OpenDescriptors());
        return true;
    });
    EXPECT_EQ(Walk(tmp.Path()), Expected(tmp.Path()));
    // The hook's own count opens one; the walk holds its window and one being opened.
    EXPECT_LE(most - before, static_cast<int>(CDirWalker::kOpenLevels) + 2);
    EXPECT_EQ(OpenDescriptors(), before);
}

TEST(DirWalkerTest, LevelsOfTheWindowKeepWalkingWhenTheChainBelowThemMovesAway) {
    // The deepest kOpenLevels levels keep their descriptors; the first level above them is reopened
    // by its own path once ".." of its child leads elsewhere. Once the deepest listing is read, the
    // chain is cut twice: the level below the window's top and the window's top itself are moved
    // out of the walk. Every level still walks all it had listed: the window's top through the
    // descriptor it kept (reopened, it is gone), the level above the window by its path (reopened
    // through "..", it is the folder the moved level went to).
    TempDir tmp;
    const std::string root = tmp.MakeDir("tree");
    const std::vector<std::string> chain = MakeChainWithSiblingsAfter(root, kChainDepth);
    const std::size_t top = chain.size() - CDirWalker::kOpenLevels;  // the window's top level
    const std::string expected = Expected(root);
    bool bMoved = false;
    ScopedListingHook hook([&](std::string_view path) {
        if (path == chain.back()) {
            std::filesystem::rename(chain[top + 1], tmp.Path() + "/below-top");
            std::filesystem::rename(chain[top], tmp.Path() + "/top");
            bMoved = true;
        }
        return true;
    });
    EXPECT_EQ(Walk(root), expected);
    EXPECT_TRUE(bMoved);
}

TEST(DirWalkerTest, MountPointsAreListedButNotEntered) {
    TempDir tmp;
    tmp.MakeFile("M/hidden-by-mount");
    tmp.MakeDir("B/bind");
    tmp.MakeFile("B/b");
    const std::string m = tmp.Path() + "/M", bind = tmp.Path() + "/B/bind";
    // In a private mount namespace of a child: a tmpfs on M (another device) and the tree's own
    // root bound onto B/bind (the same device, a mount root: entering it would never end).
    const std::optional<std::string> out = RunInChildProcess([&]() -> std::string {
        if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return "SKIP private mount namespace: " + std::string(strerror(errno));
        if (mount("zorbin-test", m.c_str(), "tmpfs", 0, nullptr) != 0 ||
            mount(tmp.Path().c_str(), bind.c_str(), nullptr, MS_BIND, nullptr) != 0)
            return "SKIP mount: " + std::string(strerror(errno));
        std::ofstream(m + "/inside") << "x";
        return Walk(tmp.Path());
    });
    ASSERT_TRUE(out.has_value());
    if (out->rfind("SKIP ", 0) == 0) return MountRefused(out->substr(5));
    EXPECT_EQ(*out, Expected(tmp.Path(), {m, bind}));
}

TEST(DirWalkerTest, ASubvolumeOfAnotherDeviceIsListedButNotEntered) {
    // A btrfs subvolume is a folder of a device of its own that is no mount root: only its device
    // tells that the walk would leave its file system there.
    TempDir tmp;
    const std::string image = tmp.Path() + "/btrfs.img", top = tmp.MakeDir("top");
    const std::optional<std::string> out = RunInChildProcess([&]() -> std::string {
        if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return "SKIP private mount namespace: " + std::string(strerror(errno));
        // 128 MB: the least mkfs.btrfs takes with its defaults is 114 MB.
        const auto run = [](const std::string& command) {
            return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
        };
        if (!run("truncate -s 128M '" + image + "' && mkfs.btrfs -q '" + image + "'"))
            return "SKIP mkfs.btrfs (btrfs-progs) failed";
        if (!run("mount -o loop '" + image + "' '" + top + "'")) return "SKIP mount of a btrfs image: refused";
        if (!run("btrfs subvolume create '" + top + "/sub'")) return "SKIP btrfs subvolume create failed";
        for (const char* file : {"/a", "/sub/inside", "/d/e"}) {
            std::filesystem::create_directories(std::filesystem::path(top + file).parent_path());
            std::ofstream(top + file) << "x";
        }
        return Walk(top) + "|" + Expected(top, {top + "/sub"});
    });
    ASSERT_TRUE(out.has_value());
    if (out->rfind("SKIP ", 0) == 0) return MountRefused(out->substr(5));
    const std::size_t bar = out->find('|');
    EXPECT_EQ(out->substr(0, bar), out->substr(bar + 1));
}

}  // namespace
