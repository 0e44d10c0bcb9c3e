#include "TestSupport.h"
#include "system/ContentCheck.h"
#include "store/TimeText.h"

#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace {

namespace fs = std::filesystem;

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

// Groups as a reader of whole files makes them, by their first row: the files of a run with equal
// bytes, when they are two inodes or more (a later name of an inode is a link), or the names of
// one inode alone (all of them links).
std::string Expected(const std::vector<CContentCheck::File>& files, const std::set<int>& leftOut, int nUnreadable,
                     int nChanged) {
    std::ostringstream out;
    out << "unreadable " << nUnreadable << ", changed " << nChanged << "\n";
    std::vector<std::string> bytes;
    for (const CContentCheck::File& file : files) bytes.push_back(ReadFile(file.path));
    std::set<int> grouped;
    for (int first = 0; first < static_cast<int>(files.size()); ++first) {
        std::vector<int> rows;
        std::set<ino_t> inodes, seen;
        if (leftOut.count(first) || grouped.count(first)) continue;
        for (int r = first; r < static_cast<int>(files.size()); ++r)
            if (!leftOut.count(r) && files[r].run == files[first].run && bytes[r] == bytes[first])
                rows.push_back(r), inodes.insert(InodeOf(files[r].path));
        grouped.insert(rows.begin(), rows.end());
        if (rows.size() < 2) continue;
        for (const int r : rows)
            out << r << (!seen.insert(InodeOf(files[r].path)).second || inodes.size() == 1 ? "L " : " ");
        out << "\n";
    }
    return out.str();
}

class ContentCheckTest : public ::testing::Test {
protected:
    // A file of the run with the bytes and the time text it has now, or a further name of file linkOf.
    int Add(int run, const std::string& name, const std::string& bytes, int linkOf = -1) {
        const std::string path = linkOf < 0 ? m_dir.MakeFile(name, bytes) : m_dir.MakeDir(name);
        if (linkOf >= 0) fs::remove(path), fs::create_hard_link(m_files[linkOf].path, path);
        struct stat st {};
        ::lstat(path.c_str(), &st);
        m_files.push_back({path, run, static_cast<std::uint64_t>(st.st_size), TimeText(st.st_mtim.tv_sec)});
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
    Add(0, "4/big.bin", "", xCopy);
    const int unreadable = Add(0, "5/big.bin", x);
    Add(0, "6/big.bin", y);
    Add(0, "7/big.bin", z);
    for (const char* name : {"1/empty", "2/empty", "3/empty"}) Add(1, name, "");
    Add(2, "1/c.txt", "0123456789");
    const int grown = Add(2, "2/c.txt", "0123456789");
    const int retimed = Add(2, "3/c.txt", "0123456789");
    Add(2, "4/c.txt", "0123456789");
    const int lone = Add(3, "1/l", "links");
    Add(3, "2/l", "", lone);
    Add(3, "3/l", "other");
    Add(4, "1/s", std::string(5000, 'a'));
    Add(4, "2/s", std::string(4999, 'a') + "b");
    const int gone = Add(4, "3/s", std::string(5000, 'a'));
    Add(4, "4/s", "", gone);
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
