#include "TestSupport.h"
#include "system/ContentCheck.h"
#include "store/TimeText.h"

#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <algorithm>
#include <map>
#include <set>
#include <sstream>

namespace {

namespace fs = std::filesystem;

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

ino_t InodeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st.st_ino;
}

std::string Describe(const CContentCheck::Result& result) {
    std::ostringstream out;
    out << "unreadable " << result.nUnreadable << ", changed " << result.nChanged << "\n";
    for (const CContentCheck::Group& group : result.groups) {
        for (std::size_t k = 0; k < group.rows.size(); ++k) out << group.rows[k] << (group.bLink[k] ? "L " : " ");
        out << "\n";
    }
    return out.str();
}

// Groups as a reader of whole files makes them: per run, the files by their bytes; within a set of
// equal bytes, a row is a link when an earlier row has its inode, or when all of them have one. Sets of two inodes or
// more are a group; so are the links of an inode that has no double.
std::string Expected(const std::vector<CContentCheck::File>& files, const std::set<int>& leftOut, int nUnreadable,
                     int nChanged) {
    std::map<std::pair<int, std::string>, std::vector<int>> byBytes;
    for (std::size_t i = 0; i < files.size(); ++i)
        if (!leftOut.count(static_cast<int>(i)))
            byBytes[{files[i].run, Bytes(files[i].path)}].push_back(static_cast<int>(i));
    std::vector<CContentCheck::Group> groups;
    for (const auto& [key, rows] : byBytes) {
        std::map<ino_t, std::vector<int>> byInode;
        for (const int r : rows) byInode[InodeOf(files[r].path)].push_back(r);
        std::vector<std::vector<int>> parts;
        if (byInode.size() > 1)
            parts.push_back(rows);
        else
            for (const auto& [inode, links] : byInode)
                if (links.size() > 1) parts.push_back(links);
        for (const std::vector<int>& part : parts) {
            CContentCheck::Group group;
            std::set<ino_t> seen;
            for (const int r : part) {
                group.rows.push_back(r);
                // Links of one inode alone are all links; beside doubles, only the later names are.
                group.bLink.push_back(!seen.insert(InodeOf(files[r].path)).second || byInode.size() == 1);
            }
            groups.push_back(group);
        }
    }
    std::sort(groups.begin(), groups.end(), [&](const auto& a, const auto& b) {
        return std::pair(files[a.rows[0]].run, a.rows[0]) < std::pair(files[b.rows[0]].run, b.rows[0]);
    });
    CContentCheck::Result result;
    result.groups = groups;
    result.nUnreadable = nUnreadable;
    result.nChanged = nChanged;
    return Describe(result);
}

class ContentCheckTest : public ::testing::Test {
protected:
    // A file of the run with the bytes and the time text it has now.
    int Add(int run, const std::string& name, const std::string& bytes) {
        const std::string path = m_dir.MakeFile(name, bytes);
        struct stat st {};
        ::lstat(path.c_str(), &st);
        m_files.push_back({path, run, bytes.size(), TimeText(st.st_mtim.tv_sec)});
        return static_cast<int>(m_files.size()) - 1;
    }
    int Link(int run, int of, const std::string& name) {
        const std::string path = m_dir.Path() + "/" + name;
        fs::create_directories(fs::path(path).parent_path());
        fs::create_hard_link(m_files[of].path, path);
        m_files.push_back({path, run, m_files[of].length, m_files[of].modified});
        return static_cast<int>(m_files.size()) - 1;
    }

    TempDir m_dir;
    std::vector<CContentCheck::File> m_files;
};

TEST_F(ContentCheckTest, GroupsFilesByTheirBytesLinksApartUnreadableAndChangedLeftOut) {
    // Large enough for several side-by-side chunks between the first and the last block.
    const std::size_t big = (5u << 20) / 2;
    std::string x(big, '\0');
    for (std::size_t i = 0; i < big; ++i) x[i] = static_cast<char>((i * 7 + i / 4096) % 251);
    std::string y = x;
    y[big - 5000] ^= 1;  // first and last block as x, one byte of the middle not
    std::string z = x;
    z[100] ^= 1;  // another first block
    Add(0, "1/big.bin", x);
    const int xCopy = Add(0, "2/big.bin", x);
    Add(0, "3/big.bin", y);
    Link(0, xCopy, "4/big.bin");
    const int unreadable = Add(0, "5/big.bin", x);
    Add(0, "6/big.bin", y);
    Add(0, "7/big.bin", z);
    for (const char* name : {"1/empty", "2/empty", "3/empty"}) Add(1, name, "");
    Add(2, "1/c.txt", "0123456789");
    const int grown = Add(2, "2/c.txt", "0123456789");
    const int retimed = Add(2, "3/c.txt", "0123456789");
    Add(2, "4/c.txt", "0123456789");
    const int lone = Add(3, "1/l", "links");
    Link(3, lone, "2/l");
    Add(3, "3/l", "other");
    Add(4, "1/s", std::string(5000, 'a'));
    Add(4, "2/s", std::string(4999, 'a') + "b");
    const int gone = Add(4, "3/s", std::string(5000, 'a'));
    Link(4, gone, "4/s");
    // Changes after the table was made: a length, a time, a file gone (with one of its two names).
    std::ofstream(m_files[grown].path, std::ios::app) << "!";
    m_files[retimed].modified = "01/01/2001 00:00:00";
    fs::remove(m_files[gone].path);
    ::chmod(m_files[unreadable].path.c_str(), 0);
    ::chmod(m_dir.Path().c_str(), 0755);
    const std::string expected = Expected(m_files, {unreadable, grown, retimed, gone}, 1, 3);

    // Read as a user the unreadable file is closed to (the test runs as root, who reads all).
    for (const int nThreads : {1, 2}) {
        const std::optional<std::string> got = RunInChildProcess([&] {
            if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0))
                return std::string("no-drop");
            return Describe(CContentCheck::Run(m_files, nThreads));
        });
        EXPECT_EQ(got.value_or("crashed"), expected) << nThreads << " threads";
    }
    const std::atomic<bool> bCancel{true};
    const CContentCheck::Result cancelled = CContentCheck::Run(m_files, 2, &bCancel);
    EXPECT_TRUE(cancelled.bCancelled);
    EXPECT_TRUE(cancelled.groups.empty());
}

}  // namespace
