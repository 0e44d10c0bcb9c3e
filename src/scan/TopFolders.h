#pragma once
#include <cstddef>
#include <utility>
#include <vector>

// How a walk of a whole drive is shared between two threads: the top of the tree is listed one
// level at a time until there are `wanted` folders left to enter, and the two threads then take
// those whole, one at a time. At most this many levels are listed first: a tree that is still
// narrow that deep is a chain of single folders, and its parts are walked as they are.
inline constexpr int kMaxTopLevels = 8;

// Lists the folders of level, a level at a time, while fewer than `wanted` are left;
// list(folder, next) lists one folder and appends the folders it holds to next. Returns the
// folders left to enter.
template <class Folder, class List>
std::vector<Folder> SplitTopFolders(std::vector<Folder> level, std::size_t wanted, List list) {
    for (int depth = 0; depth < kMaxTopLevels && !level.empty() && level.size() < wanted; ++depth) {
        std::vector<Folder> next;
        for (Folder& folder : level) list(folder, next);
        level = std::move(next);
    }
    return level;
}
