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

// The reference: pre-order, each directory's entries in the order its own listing returns them,
// links as files; skip names a directory whose subtree the walk must not enter.
std::string Expected(const std::string& dir, const std::vector<std::string>& skip = {}, bool bNamesOnly = false) {
    std::string out;
    for (const std::string& name : ListingOrder(dir)) {
        const std::string path = dir + "/" + name;
        const bool bDir = std::filesystem::is_directory(std::filesystem::symlink_status(path));
        out += (bDir ? "D " : "F ") + (bNamesOnly && !bDir ? name : path) + "\n";
        if (bDir && std::find(skip.begin(), skip.end(), path) == skip.end()) out += Expected(path, skip, bNamesOnly);
    }
    return out;
}

int OpenDescriptors() { return static_cast<int>(ListingOrder("/proc/self/fd").size()); }

struct ScopedListingHook {
    explicit ScopedListingHook(CDirWalker::ListingHook hook) : previous(CDirWalker::SetListingHook(std::move(hook))) {}
    ~ScopedListingHook() { CDirWalker::SetListingHook(std::move(previous)); }
    CDirWalker::ListingHook previous;
};

TEST(DirWalkerTest, EveryModeWalksPreOrderInListingOrder) {
    TempDir tmp;
    for (const char* dir : {"alpha", "beta/one", "beta/two/deep", ".hidden"}) tmp.MakeDir(dir);
    // "..x" is a name like any other: only "." and ".." are the dot entries.
    for (const char* file : {"f1", "..x", "zz", "beta/b1", "beta/two/t1", "beta/two/deep/d1", ".hidden/h", "beta/one/o1", "aa"})
        tmp.MakeFile(file, "x");
    // Links are files, never followed: a loop back to the root and a link to itself.
    ASSERT_EQ(symlink("..", (tmp.Path() + "/beta/up").c_str()), 0);
    ASSERT_EQ(symlink("self", (tmp.Path() + "/self").c_str()), 0);
    EXPECT_EQ(Walk(tmp.Path()), Expected(tmp.Path()));
    // Files carry no path outside the Status mode.
    EXPECT_EQ(Walk(tmp.Path(), CDirWalker::Mode::DirStatus), Expected(tmp.Path(), {}, true));
    EXPECT_EQ(Walk(tmp.Path(), CDirWalker::Mode::TypesOnly), Expected(tmp.Path(), {}, true));
    // Slashes at the end of the root do not double in the paths; a relative root is taken from the
    // current directory; a missing root hands on nothing.
    EXPECT_EQ(Walk(tmp.Path() + "//"), Expected(tmp.Path()));
    const std::filesystem::path cwd = std::filesystem::current_path();
    std::filesystem::current_path(tmp.Path() + "/beta");
    EXPECT_EQ(Walk("two"), Expected(tmp.Path() + "/beta/two"));
    std::filesystem::current_path(cwd);
    bool ok = true;
    EXPECT_EQ(Walk(tmp.Path() + "/absent", CDirWalker::Mode::Status, &ok), "");
    EXPECT_FALSE(ok);
}

// A walk cut at a depth plus walks of its frontier hand on exactly the entries of one whole walk
// (a count shares the frontier between two threads); a frontier folder replaced since, by a link
// or by another folder, is not walked.
TEST(DirWalkerTest, FrontierWalksTogetherMakeTheWholeWalk) {
    TempDir tmp;
    for (const char* file : {"a/b/c/f", "a/b/g", "a/h", "d/e/i", "j", "k/l/m/n/o"}) tmp.MakeFile(file, "x");
    ASSERT_EQ(symlink("a", (tmp.Path() + "/link").c_str()), 0);
    std::vector<std::string> whole, parts;
    for (std::size_t depth = 1; depth <= 4; ++depth) {
        auto lines = [](const std::string& text) {
            std::vector<std::string> out;
            for (std::size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
                out.push_back(text.substr(at, end - at));
            std::sort(out.begin(), out.end());
            return out;
        };
        std::string text;
        auto visit = [&text](const CDirWalker::Entry& e) { text += std::string(e.bDir ? "D " : "F ") + std::string(e.path.empty() ? e.name : e.path) + "\n"; };
        CDirWalker walker(CDirWalker::Mode::TypesOnly);
        walker.SetDepthLimit(depth);
        walker.Walk(tmp.Path(), visit);
        for (const CDirWalker::DirId& dir : walker.TakeFrontier()) {
            CDirWalker rest(CDirWalker::Mode::TypesOnly);
            ASSERT_TRUE(rest.Walk(dir.path, visit, &dir)) << dir.path;
        }
        EXPECT_EQ(lines(text), lines(Walk(tmp.Path(), CDirWalker::Mode::TypesOnly))) << "depth " << depth;
    }
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

TEST(DirWalkerTest, VanishedEntriesAreLeftOutAndUnlistableDirectoriesKeepTheirRow) {
    TempDir tmp;
    for (const char* f : {"a", "b", "c", "A/x", "A/sub/y", "B/z"}) tmp.MakeFile(f);
    // An entry deleted between the listing and its status is left out silently.
    std::string gone;
    for (const std::string& name : ListingOrder(tmp.Path()))
        if (name.size() == 1 && std::islower(static_cast<unsigned char>(name[0])) && gone.empty()) gone = tmp.Path() + "/" + name;
    const std::string failing = tmp.Path() + "/A";
    ScopedListingHook hook([&](std::string_view path) {
        if (path == tmp.Path()) std::filesystem::remove(gone);
        return path != failing;  // A's listing fails: its row stays, nothing below it follows
    });
    const std::string walked = Walk(tmp.Path());
    const std::string expected = Expected(tmp.Path(), {failing});  // read once the entry is gone
    EXPECT_EQ(walked, expected);
    EXPECT_EQ(walked.find(gone), std::string::npos);

    // The same through a real refusal: a user who may not list A.
    ASSERT_EQ(chmod(failing.c_str(), 0), 0);
    const std::optional<std::string> out = RunInChildProcess([&] {
        CDirWalker::SetListingHook({});
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

TEST(DirWalkerTest, ChainDeeperThanTheDescriptorWindowReopensItsParentsForTheSiblings) {
    // Levels above the window are reopened through ".."; a wrong reopen loses or repeats the
    // siblings that follow the chain in every listing.
    constexpr int kDepth = static_cast<int>(CDirWalker::kOpenLevels) + 8;
    TempDir tmp;
    // Every folder of the chain holds a file made before the next folder and one made after it, and
    // every name is its level's own: whatever order a listing keeps (creation, either way, or a hash
    // of the name), the chain cannot come last in all of them.
    std::vector<std::string> dirs = {"c0"};
    for (int level = 1; level <= kDepth; ++level) dirs.push_back(dirs.back() + "/c" + std::to_string(level));
    for (int level = 0; level < kDepth; ++level) {
        tmp.MakeFile(dirs[level] + "/a" + std::to_string(level));
        tmp.MakeDir(dirs[level + 1]);
        tmp.MakeFile(dirs[level] + "/z" + std::to_string(level));
    }
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
        if (mount("zorbin-test", m.c_str(), "tmpfs", 0, nullptr) != 0 || mount(tmp.Path().c_str(), bind.c_str(), nullptr, MS_BIND, nullptr) != 0)
            return "SKIP mount: " + std::string(strerror(errno));
        std::ofstream(m + "/inside") << "x";
        return Walk(tmp.Path());
    });
    ASSERT_TRUE(out.has_value());
    if (out->rfind("SKIP ", 0) == 0) GTEST_SKIP() << out->substr(5);
    EXPECT_EQ(*out, Expected(tmp.Path(), {m, bind}));
}

}  // namespace
