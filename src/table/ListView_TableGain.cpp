#include "commands/ResultLines.h"
#include "commands/SpaceToGain.h"
#include "store/TwoThreads.h"
#include "table/ListView_Table.h"
#include "table/TableKind.h"
#include "framework/ModalWork.h"

#include <algorithm>
#include <charconv>
#include <string>
#include <sys/stat.h>
#include <vector>

void CListView_Table::GetRunKey(int nRow, const std::string_view (&cells)[7], std::string& key) const {
    key += cells[1];
    key += '\0';
    key += cells[3];
    if (m_aColNames.size() <= 7) return;
    // The Group cell: blanks of the hand-over, the number, and " link" on a further link.
    const CCellText group = GetItemText(nRow, 7);
    std::string_view text = group;
    text.remove_prefix(std::min(text.size(), text.find_first_not_of(' ')));
    key += '\0';
    key += text.substr(0, text.find(' '));
}

namespace {

// The identities of files[i] for i in [from, to), read from the NUL-ended paths at their offsets.
// The path itself, not what a link there points to: that is the entry a delete would take.
void ReadIdentities(const std::string& paths, const std::vector<std::size_t>& at,
                    std::vector<CSpaceToGain::File>& files, std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to; ++i) {
        struct stat st {};
        if (::lstat(paths.c_str() + at[i], &st) != 0) continue;
        files[i].bIdentity = true;
        files[i].device = st.st_dev;
        files[i].inode = st.st_ino;
    }
}

}  // namespace

void CListView_Table::CountSpaceToGain() {
    // Files of a run share Name and Length (and, after Check Contents, their group): that is the
    // run's key, whatever order the rows are in now. Keys and paths go into one buffer each.
    const int n = GetItemCount();
    std::string keys;
    std::string paths;
    std::vector<std::size_t> keyEnds;
    std::vector<std::size_t> pathAt;
    std::vector<CSpaceToGain::File> files;
    files.reserve(static_cast<std::size_t>(n));
    CCellText held[7];
    std::string_view cells[7];
    for (int r = 0; r < n; ++r) {
        if (!GetEntryCells(GetRows(), r, m_nKind, held, cells)) continue;
        CSpaceToGain::File file;
        std::from_chars(cells[3].data(), cells[3].data() + cells[3].size(), file.length);
        pathAt.push_back(paths.size());
        paths += cells[0];
        paths += '\0';
        GetRunKey(r, cells, keys);
        keyEnds.push_back(keys.size());
        files.push_back(file);
    }
    // One lstat a row (some 4 us each on a warm cache, far more on a slow disk): on a worker while
    // the window paints, the halves on both cores.
    const std::size_t half = files.size() / 2;
    CModalWork::Run(
        [&] {
            RunInTwoParts(files.size() > 1, [&](int part) {
                part == 0 ? ReadIdentities(paths, pathAt, files, 0, half)
                          : ReadIdentities(paths, pathAt, files, half, files.size());
            });
        },
        [] {});
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::size_t from = i == 0 ? 0 : keyEnds[i - 1];
        files[i].run = std::string_view(keys).substr(from, keyEnds[i] - from);
    }
    m_strGain = CSpaceToGain::Text(CSpaceToGain::Count(std::move(files)));
}
