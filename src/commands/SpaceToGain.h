#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// What deleting all but one file of each run of doubles would free. Files of one run that are hard
// links of one inode count once: deleting a link frees nothing while another link stays.
class CSpaceToGain {
public:
    struct File {
        std::string_view run;  // the run's key (its name and length); files of a run share it
        std::uint64_t length = 0;
        // The file's identity; files whose identity could not be read count as files of their own.
        bool bIdentity = false;
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
    };
    struct Figures {
        std::int64_t runs = 0;
        std::int64_t files = 0;
        std::uint64_t bytes = 0;
    };

    // The figures of the files, in any order; the views of run must outlive the call.
    static Figures Count(std::vector<File> files);
    // " %lld runs, %lld files, %llu bytes to gain"
    static std::string Text(const Figures& figures);
};
