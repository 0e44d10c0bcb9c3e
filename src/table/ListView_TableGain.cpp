#include "commands/ResultLines.h"
#include "commands/SpaceToGain.h"
#include "table/ListView_Table.h"
#include "table/TableKind.h"

#include <algorithm>
#include <charconv>
#include <string>
#include <sys/stat.h>
#include <vector>

void CListView_Table::GetRunKey(int nRow, const std::string_view (&cells)[7], std::string& key) const {
    key.assign(cells[1]);
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

void CListView_Table::CountSpaceToGain() {
    // Files of a run share Name and Length (and, after Check Contents, their group): that is the
    // run's key, whatever order the rows are in now.
    const int n = GetItemCount();
    std::string keys;
    std::string key;
    std::vector<std::size_t> ends;
    std::vector<CSpaceToGain::File> files;
    files.reserve(static_cast<std::size_t>(n));
    ends.reserve(static_cast<std::size_t>(n));
    CCellText held[7];
    std::string_view cells[7];
    for (int r = 0; r < n; ++r) {
        if (!GetEntryCells(*this, r, m_nKind, held, cells)) continue;
        CSpaceToGain::File file;
        std::from_chars(cells[3].data(), cells[3].data() + cells[3].size(), file.length);
        struct stat st {};
        // The path itself, not what a link there points to: that is the entry a delete would take.
        const std::string path(cells[0]);
        if (::lstat(path.c_str(), &st) == 0) {
            file.bIdentity = true;
            file.device = st.st_dev;
            file.inode = st.st_ino;
        }
        GetRunKey(r, cells, key);
        keys += key;
        ends.push_back(keys.size());
        files.push_back(file);
    }
    // The keys are views of one buffer, made once it no longer grows.
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::size_t from = i == 0 ? 0 : ends[i - 1];
        files[i].run = std::string_view(keys).substr(from, ends[i] - from);
    }
    m_strGain = CSpaceToGain::Text(CSpaceToGain::Count(std::move(files)));
}
