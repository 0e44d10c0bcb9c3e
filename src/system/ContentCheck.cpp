#include "system/ContentCheck.h"

#include "store/TimeText.h"
#include "store/TwoThreads.h"

#include <xxhash.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::uint64_t kBlock = 4096;
// Bytes of chunks held at once by one thread for the files it reads side by side: with two threads
// well below the 64 MiB a check may take above its table.
constexpr std::uint64_t kChunkBudget = 8u << 20;
constexpr std::uint64_t kMaxChunk = 1u << 20;

enum class State { Ok, Unreadable, Changed };

// One inode of a run: its rows in table order, and while it is read, its descriptor and chunk.
struct Inode {
    dev_t device = 0;
    ino_t inode = 0;
    std::vector<int> rows;
    int fd = -1;
    struct timespec modified {};
    State state = State::Ok;
    std::string chunk;
};

State ErrnoState() {
    return errno == ENOENT || errno == ENOTDIR || errno == ELOOP ? State::Changed : State::Unreadable;
}

// Opens a file read-only, never through a link at its path, never blocking on what replaced it, and
// without touching its access time when the file is the user's own.
int OpenForReading(const std::string& path) {
    const int flags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    const int fd = ::open(path.c_str(), flags | O_NOATIME);
    return fd >= 0 || errno != EPERM ? fd : ::open(path.c_str(), flags);
}

// Reads [offset, offset + size) of an inode into its chunk; a short file has changed.
State ReadChunk(Inode& node, std::uint64_t offset, std::uint64_t size) {
    node.chunk.resize(size);
    std::uint64_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(node.fd, node.chunk.data() + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return State::Unreadable;
        if (n == 0) return State::Changed;
        done += static_cast<std::uint64_t>(n);
    }
    return State::Ok;
}

void Close(Inode& node) {
    if (node.fd >= 0) ::close(node.fd);
    node.fd = -1;
    node.chunk = std::string();
}

// Splits each class (inode indices) by the bytes of their chunks: by hash first, then byte for byte
// against the first member of each part with that hash. Parts of one inode are dropped (closed).
std::vector<std::vector<int>> Split(const std::vector<std::vector<int>>& classes, std::vector<Inode>& nodes) {
    std::vector<std::vector<int>> parts;
    for (const std::vector<int>& members : classes) {
        std::vector<std::pair<XXH128_hash_t, int>> hashed;
        for (const int m : members) {
            if (nodes[m].state != State::Ok) continue;
            hashed.emplace_back(XXH3_128bits(nodes[m].chunk.data(), nodes[m].chunk.size()), m);
        }
        std::sort(hashed.begin(), hashed.end(), [](const auto& a, const auto& b) {
            return std::tie(a.first.high64, a.first.low64, a.second) <
                   std::tie(b.first.high64, b.first.low64, b.second);
        });
        const std::size_t firstPart = parts.size();
        for (std::size_t i = 0; i < hashed.size();) {
            std::size_t end = i;
            while (end < hashed.size() && XXH128_isEqual(hashed[end].first, hashed[i].first)) ++end;
            const std::size_t before = parts.size();
            for (std::size_t j = i; j < end; ++j) {
                const std::string& bytes = nodes[hashed[j].second].chunk;
                auto same = std::find_if(parts.begin() + static_cast<std::ptrdiff_t>(before), parts.end(),
                                         [&](const std::vector<int>& part) { return nodes[part[0]].chunk == bytes; });
                if (same == parts.end())
                    parts.push_back({hashed[j].second});
                else
                    same->push_back(hashed[j].second);
            }
            i = end;
        }
        // Members stay in reading (inode) order inside each part.
        for (auto part = parts.begin() + static_cast<std::ptrdiff_t>(firstPart); part != parts.end(); ++part)
            std::sort(part->begin(), part->end(), [&](int a, int b) { return nodes[a].inode < nodes[b].inode; });
    }
    std::vector<std::vector<int>> kept;
    for (std::vector<int>& part : parts) {
        if (part.size() > 1)
            kept.push_back(std::move(part));
        else
            Close(nodes[part[0]]);
    }
    return kept;
}

std::size_t Members(const std::vector<std::vector<int>>& classes) {
    std::size_t n = 0;
    for (const auto& members : classes) n += members.size();
    return n;
}

// Reads one stretch of every inode still in a class and splits the classes by it.
std::vector<std::vector<int>> ReadAndSplit(const std::vector<std::vector<int>>& classes, std::vector<Inode>& nodes,
                                           std::uint64_t offset, std::uint64_t size, std::uint64_t& nBytesRead) {
    for (const std::vector<int>& members : classes)
        for (const int m : members) nodes[m].state = ReadChunk(nodes[m], offset, size);
    nBytesRead += size * Members(classes);
    return Split(classes, nodes);
}

bool SameTime(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// Checks the files of one run; Run sums the runs' results and alone tells a cancel.
CContentCheck::Result CheckRun(const std::vector<CContentCheck::File>& files, const std::vector<int>& rows,
                               const std::atomic<bool>* pCancel) {
    CContentCheck::Result result;
    const auto cancelled = [pCancel] { return pCancel != nullptr && pCancel->load(std::memory_order_relaxed); };
    // The inodes of the run, from the files as the table shows them.
    std::vector<Inode> nodes;
    std::map<std::pair<dev_t, ino_t>, int> byIdentity;
    for (const int row : rows) {
        const CContentCheck::File& file = files[static_cast<std::size_t>(row)];
        struct stat st {};
        if (::lstat(file.path.c_str(), &st) != 0) {
            ++(ErrnoState() == State::Changed ? result.nChanged : result.nUnreadable);
            continue;
        }
        if (!S_ISREG(st.st_mode) || static_cast<std::uint64_t>(st.st_size) != file.length ||
            (!file.modified.empty() && TimeText(st.st_mtim.tv_sec) != file.modified)) {
            ++result.nChanged;
            continue;
        }
        const auto [it, bNew] = byIdentity.try_emplace({st.st_dev, st.st_ino}, static_cast<int>(nodes.size()));
        if (bNew) {
            nodes.emplace_back();
            nodes.back().device = st.st_dev;
            nodes.back().inode = st.st_ino;
            nodes.back().modified = st.st_mtim;
        }
        nodes[static_cast<std::size_t>(it->second)].rows.push_back(row);
    }
    const std::uint64_t length = rows.empty() ? 0 : files[static_cast<std::size_t>(rows[0])].length;

    std::vector<std::vector<int>> classes;
    if (nodes.size() > 1) {
        // Opened in inode order, the order in which most file systems keep a folder's files on disk.
        std::vector<int> order(nodes.size());
        for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
        std::sort(order.begin(), order.end(), [&](int a, int b) { return nodes[a].inode < nodes[b].inode; });
        std::vector<int> opened;
        for (const int i : order) {
            Inode& node = nodes[static_cast<std::size_t>(i)];
            if (length == 0) {  // empty files are equal without a read
                opened.push_back(i);
                continue;
            }
            node.fd = OpenForReading(files[static_cast<std::size_t>(node.rows[0])].path);
            struct stat st {};
            if (node.fd < 0)
                node.state = ErrnoState();
            else if (::fstat(node.fd, &st) != 0)
                node.state = State::Unreadable;
            else if (st.st_dev != node.device || st.st_ino != node.inode || !SameTime(st.st_mtim, node.modified))
                node.state = State::Changed;  // replaced between the look and the open
            if (node.state == State::Ok)
                opened.push_back(i);
            else
                Close(node);
        }
        if (opened.size() > 1) classes.push_back(std::move(opened));
        if (length > 0 && !classes.empty()) {
            result.nFilesRead += static_cast<std::int64_t>(classes[0].size());
            const std::uint64_t first = std::min(length, kBlock);
            classes = ReadAndSplit(classes, nodes, 0, first, result.nBytesRead);
            const std::uint64_t lastFrom = std::max(first, length > kBlock ? length - kBlock : 0);
            if (lastFrom < length && !classes.empty())
                classes = ReadAndSplit(classes, nodes, lastFrom, length - lastFrom, result.nBytesRead);
            for (std::uint64_t offset = first; offset < lastFrom && !classes.empty() && !cancelled();) {
                const std::uint64_t budget = std::max<std::uint64_t>(kBlock, kChunkBudget / Members(classes));
                const std::uint64_t chunk = std::min({lastFrom - offset, kMaxChunk, budget / kBlock * kBlock});
                classes = ReadAndSplit(classes, nodes, offset, chunk, result.nBytesRead);
                offset += chunk;
            }
            // A file written to while it was read is not the file the table shows.
            for (auto& members : classes)
                for (const int m : members) {
                    struct stat st {};
                    Inode& node = nodes[static_cast<std::size_t>(m)];
                    if (::fstat(node.fd, &st) != 0 || static_cast<std::uint64_t>(st.st_size) != length ||
                        !SameTime(st.st_mtim, node.modified))
                        node.state = State::Changed;
                }
            for (auto& members : classes)
                std::erase_if(members, [&](int m) { return nodes[static_cast<std::size_t>(m)].state != State::Ok; });
            std::erase_if(classes, [](const std::vector<int>& members) { return members.size() < 2; });
        }
    }
    for (Inode& node : nodes) {
        if (node.state == State::Unreadable) result.nUnreadable += static_cast<int>(node.rows.size());
        if (node.state == State::Changed) result.nChanged += static_cast<int>(node.rows.size());
        Close(node);
    }
    if (cancelled()) return result;

    // Groups: every class of two or more inodes, and the links of any other inode on their own.
    std::vector<char> inClass(nodes.size(), 0);
    for (const auto& members : classes) {
        CContentCheck::Group group;
        std::vector<std::pair<int, bool>> rowsOf;
        for (const int m : members) {
            inClass[static_cast<std::size_t>(m)] = 1;
            const Inode& node = nodes[static_cast<std::size_t>(m)];
            for (std::size_t k = 0; k < node.rows.size(); ++k) rowsOf.emplace_back(node.rows[k], k > 0);
        }
        std::sort(rowsOf.begin(), rowsOf.end());
        for (const auto& [row, bLink] : rowsOf) {
            group.rows.push_back(row);
            group.bLink.push_back(bLink);
        }
        result.groups.push_back(std::move(group));
    }
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        if (inClass[i] || nodes[i].state != State::Ok || nodes[i].rows.size() < 2) continue;
        result.groups.push_back({nodes[i].rows, std::vector<bool>(nodes[i].rows.size(), true)});
    }
    std::sort(result.groups.begin(), result.groups.end(),
              [](const CContentCheck::Group& a, const CContentCheck::Group& b) { return a.rows[0] < b.rows[0]; });
    return result;
}

// A run of many files holds a descriptor for each while they are read side by side.
void AllowAllDescriptors() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct rlimit limit {};
        if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
            limit.rlim_cur = limit.rlim_max;
            ::setrlimit(RLIMIT_NOFILE, &limit);
        }
    });
}

}  // namespace

CContentCheck::Result CContentCheck::Run(const std::vector<File>& files, int nThreads, const std::atomic<bool>* pCancel,
                                         std::atomic<std::int64_t>* pFilesDone) {
    AllowAllDescriptors();
    // The rows of each run, in table order; runs in the order of their first row.
    std::vector<std::vector<int>> runs;
    std::map<int, std::size_t> runIndex;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const auto [it, bNew] = runIndex.try_emplace(files[i].run, runs.size());
        if (bNew) runs.emplace_back();
        runs[it->second].push_back(static_cast<int>(i));
    }
    std::vector<Result> results(runs.size());
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t r; (r = next.fetch_add(1)) < runs.size();) {
            if (pCancel != nullptr && pCancel->load(std::memory_order_relaxed)) return;
            results[r] = CheckRun(files, runs[r], pCancel);
            if (pFilesDone != nullptr) pFilesDone->fetch_add(static_cast<std::int64_t>(runs[r].size()));
        }
    };
    RunInTwoParts(nThreads > 1 && runs.size() > 1, [&](int) { work(); });

    Result result;
    if (pCancel != nullptr && pCancel->load()) {
        result.bCancelled = true;
        return result;
    }
    for (Result& run : results) {
        result.nUnreadable += run.nUnreadable;
        result.nChanged += run.nChanged;
        result.nFilesRead += run.nFilesRead;
        result.nBytesRead += run.nBytesRead;
        for (Group& group : run.groups) result.groups.push_back(std::move(group));
    }
    return result;
}
