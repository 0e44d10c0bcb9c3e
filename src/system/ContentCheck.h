#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

// Which files of runs of doubles hold the very same bytes, read as a careful duplicate finder
// reads: the files of a run have one length already; a first block, then the last block, then the
// rest in chunks, read from every file still in question side by side, so each byte is read once.
// Each block is grouped by its XXH3-128 hash and then compared byte for byte within a hash, so a
// collision can never make a double. Nothing is written: files are opened read-only and without
// changing their access times where the system allows it.
class CContentCheck {
public:
    struct File {
        std::string path;  // absolute; a link at the path is never followed
        int run = 0;       // files of one run share it; runs are numbered from 0 in table order
        std::uint64_t length = 0;
        std::string modified;  // the time text the table shows; empty: not compared
    };
    // Rows (indices into the files) with equal bytes, in table order. bLink[i]: row i is a hard
    // link of an earlier row of the group. A group of links of one inode alone has every bLink set.
    struct Group {
        std::vector<int> rows;
        std::vector<bool> bLink;
    };
    struct Result {
        std::vector<Group> groups;  // by run, then by first row
        int nUnreadable = 0;        // files left out: they could not be read
        int nChanged = 0;           // files left out: gone, or another length or time than the table shows
        bool bCancelled = false;
        std::int64_t nFilesRead = 0;  // files of which a block was read
        std::uint64_t nBytesRead = 0;
    };

    // Reads the files on one thread, or on two when nThreads is 2 or more. pCancel, when set to true, ends the check
    // soon with a result that only says so; pFilesDone counts the files whose run is settled.
    static Result Run(const std::vector<File>& files, int nThreads, const std::atomic<bool>* pCancel = nullptr,
                      std::atomic<std::int64_t>* pFilesDone = nullptr);
};
