#include "store/ListRows.h"

#include "store/TwoThreads.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <numeric>
#include <utility>

namespace {
// Rows are addressed by int and stored by 32-bit slot.
constexpr std::size_t kMaxRows = INT_MAX;
// Texts of deleted rows are kept until they outnumber the rows shown and are at least this many:
// deleting a few rows of a million must not copy the million that stay.
constexpr std::size_t kMinDeadToCompact = 4096;

// Text runs of at most this many rows are sorted by whole-text comparisons: fewer reads of texts
// than a pass per 7 bytes when the texts agree far into them (paths of one folder).
constexpr std::size_t kCompareRunMax = 8;
// A text key holds this many bytes of the text, the low byte how many of them the text has.
constexpr std::size_t kChunk = 7;

struct TextRun {
    std::size_t begin, end, depth;
};

// The texts of a column one after another, by slot: a text sort reads each text once per 7 bytes
// it has to look at, and a path kept by its shared beginning would be decoded at every read
// (a million paths by Path: 1.1 s read from the column, the whole sort 0.2 s from here).
class TextArena {
public:
    TextArena(const CTextColumn& column, bool twoThreads) {
        column.GetTextEnds(m_ends);
        const std::size_t n = m_ends.size();
        // Room for one word past the last text: a chunk is read as one 8-byte word.
        const std::size_t size = (n == 0 ? 0 : m_ends.back()) + sizeof(std::uint64_t);
        m_bytes.reset(new char[size]);
        std::memset(m_bytes.get() + size - sizeof(std::uint64_t), 0, sizeof(std::uint64_t));
        const auto copy = [&](std::size_t from, std::size_t to) {
            column.CopyTexts(from, to, m_bytes.get() + (from == 0 ? 0 : m_ends[from - 1]));
        };
        const std::size_t half = n / 2 - n / 2 % CTextColumn::kBlock;
        RunInTwoParts(twoThreads, [&](int part) { part == 0 ? copy(0, half) : copy(half, n); });
    }
    // kChunk bytes of the text from byte `depth` on, big-endian, zero-padded, then their count. Two
    // texts that agree up to `depth` order as their keys do; equal keys with a count below kChunk
    // mean equal texts (a shorter text is a prefix of a longer one that pads with zeros alike and
    // has the higher count), and with a count of kChunk the texts must be read further. One word
    // read and masked: copying the bytes one by one took most of a sort by Path.
    std::uint64_t Chunk(std::size_t slot, std::size_t depth) const {
        const std::string_view text = GetAt(slot);
        if (text.size() <= depth) return 0;
        const std::size_t take = std::min(text.size() - depth, kChunk);
        std::uint64_t word;
        std::memcpy(&word, text.data() + depth, sizeof word);
        word = __builtin_bswap64(word) & (~std::uint64_t{0} << (64 - 8 * take));
        return word | take;
    }
    std::string_view GetAt(std::size_t slot) const {
        if (slot >= m_ends.size()) return std::string_view("");
        const std::uint64_t begin = slot == 0 ? 0 : m_ends[slot - 1];
        return std::string_view(m_bytes.get() + begin, m_ends[slot] - begin);
    }

private:
    std::unique_ptr<char[]> m_bytes;
    std::vector<std::uint64_t> m_ends;
};

// How many bytes from `depth` on all n texts share.
std::size_t SharedBytes(const TextArena& column, const SortKey* keys, std::size_t n, std::size_t depth) {
    const std::string_view first = column.GetAt(keys[0].row);
    std::size_t shared = first.size() > depth ? first.size() - depth : 0;
    for (std::size_t r = 1; r < n && shared > 0; ++r) {
        const std::string_view text = column.GetAt(keys[r].row);
        const std::size_t most = text.size() > depth ? std::min(shared, text.size() - depth) : 0;
        const auto a = first.begin() + static_cast<std::ptrdiff_t>(depth);
        shared = static_cast<std::size_t>(
            std::mismatch(a, a + static_cast<std::ptrdiff_t>(most), text.begin() + static_cast<std::ptrdiff_t>(depth))
                .first -
            a);
    }
    return shared;
}

// Sorts the runs, each of keys whose texts agree in their first `depth` bytes, by the rest of
// their texts, stable. A run is sorted by the next kChunk bytes and splits into runs of equal keys.
void RefineTextRuns(const TextArena& column, SortKey* keys, SortKey* scratch, std::vector<TextRun> runs) {
    while (!runs.empty()) {
        const TextRun run = runs.back();
        runs.pop_back();
        SortKey* first = keys + run.begin;
        const std::size_t n = run.end - run.begin;
        if (n <= kCompareRunMax) {
            for (std::size_t i = 1; i < n; ++i) {
                const SortKey moving = first[i];
                const std::string_view text = column.GetAt(moving.row);
                const std::string_view rest = text.substr(std::min(run.depth, text.size()));
                std::size_t j = i;
                for (; j > 0; --j) {
                    const std::string_view otherText = column.GetAt(first[j - 1].row);
                    if (otherText.substr(std::min(run.depth, otherText.size())).compare(rest) <= 0) break;
                    first[j] = first[j - 1];
                }
                first[j] = moving;
            }
            continue;
        }
        for (std::size_t i = 0; i < n; ++i) first[i].key = column.Chunk(first[i].row, run.depth);
        RadixSortKeys(first, scratch + run.begin, n);
        for (std::size_t i = 0, j; i < n; i = j) {
            for (j = i + 1; j < n && first[j].key == first[i].key;) ++j;
            if (j - i > 1 && (first[i].key & 0xFF) == kChunk)
                runs.push_back({run.begin + i, run.begin + j, run.depth + kChunk});
        }
    }
}

// Makes element `slot` of the column the next one to be added: cells never set read empty.
void PadTo(CTextColumn& column, std::size_t slot) {
    while (column.GetSize() < slot) column.Add({});
}
}  // namespace

void CListRows::SetColumnCount(int count) { m_columns.resize(count < 0 ? 0 : static_cast<std::size_t>(count)); }

void CListRows::InsertColumn(int nCol) {
    const auto at = static_cast<std::size_t>(std::clamp(nCol, 0, GetColumnCount()));
    m_columns.insert(m_columns.begin() + static_cast<std::ptrdiff_t>(at), CTextColumn());
}

void CListRows::MakeOrder() {
    if (!m_order.empty() || m_nRows == 0) return;
    m_order.resize(m_nRows);
    std::iota(m_order.begin(), m_order.end(), std::uint32_t{0});
}

void CListRows::MakeData() {
    if (!m_data.empty() || m_nSlots == 0) return;
    m_data.resize(m_nSlots);
    std::iota(m_data.begin(), m_data.end(), std::intptr_t{0});
}

int CListRows::InsertRow(int nRow, std::string_view text, std::intptr_t data) {
    if (nRow < 0 || m_nSlots >= kMaxRows) return -1;
    // A new row always takes a new slot at the end of the columns, wherever it is shown, so the
    // cells of the row just inserted are appends, never rewrites of older texts.
    const std::size_t slot = m_nSlots;
    const std::size_t pos = std::min(static_cast<std::size_t>(nRow), m_nRows);
    if (!m_columns.empty()) {
        PadTo(m_columns[0], slot);
        m_columns[0].Add(text);
    }
    if (!m_data.empty() || data != static_cast<std::intptr_t>(slot)) {
        MakeData();
        m_data.push_back(data);
    }
    if (!m_order.empty() || pos != slot) {  // pos == slot: shown in slot order, as before
        MakeOrder();
        m_order.insert(m_order.begin() + static_cast<std::ptrdiff_t>(pos), static_cast<std::uint32_t>(slot));
    }
    ++m_nSlots;
    ++m_nRows;
    return static_cast<int>(pos);
}

void CListRows::TakeRows(std::vector<CTextColumn> columns) {
    std::size_t n = columns.empty() ? 0 : std::min(columns[0].GetSize(), kMaxRows);
    if (m_nSlots != 0) {
        // Rows already there: the new ones are appended cell by cell (a copy; fills never do this).
        const auto base = static_cast<std::intptr_t>(m_nRows);
        for (std::size_t i = 0; i < n && m_nSlots < kMaxRows; ++i) {
            const CCellText first = columns[0][i];
            const int row = InsertRow(GetRowCount(), first, base + static_cast<std::intptr_t>(i));
            for (std::size_t c = 1; c < columns.size() && c < m_columns.size(); ++c)
                if (i < columns[c].GetSize()) {
                    const CCellText cell = columns[c][i];
                    SetText(row, static_cast<int>(c), cell);
                }
        }
        for (auto& column : columns) column.RemoveAll();
        return;
    }
    for (std::size_t c = 0; c < m_columns.size(); ++c) {
        m_columns[c] = c < columns.size() ? std::move(columns[c]) : CTextColumn();
        // Elements past the last row would otherwise show up in rows inserted later.
        m_columns[c].Truncate(n);
    }
    for (auto& column : columns) column.RemoveAll();  // columns the control does not have
    // Row i is slot i and carries item data i, the row number a fill gives every row it inserts.
    m_nSlots = m_nRows = n;
}

bool CListRows::SetText(int nRow, int nCol, std::string_view text) {
    if (!IsRow(nRow) || nCol < 0 || nCol >= GetColumnCount()) return false;
    CTextColumn& column = m_columns[static_cast<std::size_t>(nCol)];
    const std::size_t slot = Slot(nRow);
    if (slot >= column.GetSize()) {
        PadTo(column, slot);
        column.Add(text);
    } else {
        column.SetAt(slot, text);
    }
    return true;
}

CCellText CListRows::GetText(int nRow, int nCol) const {
    if (!IsRow(nRow) || nCol < 0 || nCol >= GetColumnCount()) return CCellText();
    return m_columns[static_cast<std::size_t>(nCol)].GetAt(Slot(nRow));
}

std::intptr_t CListRows::GetData(int nRow) const { return IsRow(nRow) ? DataOf(Slot(nRow)) : 0; }

bool CListRows::SetData(int nRow, std::intptr_t data) {
    if (!IsRow(nRow)) return false;
    const std::size_t slot = Slot(nRow);
    if (DataOf(slot) == data) return true;
    MakeData();
    m_data[slot] = data;
    return true;
}

bool CListRows::DeleteRow(int nRow) {
    if (!IsRow(nRow)) return false;
    if (static_cast<std::size_t>(nRow) + 1 == m_nRows && m_order.empty() && m_nRows == m_nSlots) {
        // The last row of a table in slot order: its slot goes too.
        for (auto& column : m_columns) column.Truncate(m_nSlots - 1);
        if (!m_data.empty()) m_data.pop_back();
        --m_nSlots;
        --m_nRows;
    } else {
        MakeOrder();
        m_order.erase(m_order.begin() + nRow);
        --m_nRows;
    }
    CompactIfSparse();
    return true;
}

int CListRows::DeleteRows(const std::vector<int>& rows) {
    MakeOrder();
    std::size_t kept = 0;
    auto next = rows.begin();
    for (std::size_t r = 0; r < m_nRows; ++r) {
        while (next != rows.end() && *next < static_cast<int>(r)) ++next;  // negative, repeated, unsorted
        if (next != rows.end() && *next == static_cast<int>(r)) continue;
        m_order[kept++] = m_order[r];
    }
    const auto removed = static_cast<int>(m_nRows - kept);
    m_order.resize(kept);
    m_nRows = kept;
    CompactIfSparse();
    return removed;
}

void CListRows::DeleteAll() {
    for (auto& column : m_columns) column.RemoveAll();
    std::vector<std::intptr_t>().swap(m_data);
    std::vector<std::uint32_t>().swap(m_order);
    m_nRows = m_nSlots = 0;
}

void CListRows::CompactIfSparse() {
    if (m_nRows == 0) {
        DeleteAll();
        return;
    }
    const std::size_t dead = m_nSlots - m_nRows;
    if (dead < kMinDeadToCompact || dead <= m_nRows) return;
    for (auto& column : m_columns) {
        if (column.IsEmpty()) continue;
        CTextColumn kept;
        for (std::size_t r = 0; r < m_nRows; ++r) kept.AddFrom(column, Slot(static_cast<int>(r)));
        column = std::move(kept);
    }
    // Item data stays with its row; it is stored unless it is the new slot number of every row.
    std::vector<std::intptr_t> data(m_nRows);
    bool plain = true;
    for (std::size_t r = 0; r < m_nRows; ++r) {
        data[r] = DataOf(Slot(static_cast<int>(r)));
        plain = plain && data[r] == static_cast<std::intptr_t>(r);
    }
    if (plain) data = {};
    m_data = std::move(data);
    std::vector<std::uint32_t>().swap(m_order);  // rows are in slot order again
    m_nSlots = m_nRows;
}

void CListRows::Sort(CompareFn compare, std::intptr_t context) {
    const std::size_t n = m_nRows;
    if (n < 2 || !compare) return;
    // A bottom-up merge sort of a copy of the display order. It asks only "does a go after b" and
    // takes b first exactly then, so it ends ordered even when the comparison answers yes for both
    // orders of two equal rows (a descending sort does), where std::sort may run out of range.
    // The rows themselves stay where they are until the end: the comparison reads cells by the
    // row numbers of the order from before the sort.
    std::vector<std::uint32_t> from(n);
    for (std::size_t r = 0; r < n; ++r) from[r] = static_cast<std::uint32_t>(Slot(static_cast<int>(r)));
    std::vector<std::uint32_t> to(n);
    const auto dataOf = [this](std::uint32_t slot) { return slot < m_nSlots ? DataOf(slot) : std::intptr_t{0}; };
    for (std::size_t width = 1; width < n; width *= 2) {
        for (std::size_t lo = 0; lo < n; lo += 2 * width) {
            const std::size_t mid = std::min(lo + width, n);
            const std::size_t hi = std::min(lo + 2 * width, n);
            std::size_t a = lo, b = mid, out = lo;
            while (a < mid && b < hi) {
                if (compare(dataOf(from[a]), dataOf(from[b]), context) != 0)
                    to[out++] = from[b++];
                else
                    to[out++] = from[a++];
            }
            while (a < mid) to[out++] = from[a++];
            while (b < hi) to[out++] = from[b++];
        }
        from.swap(to);
    }
    // A comparison that changed the rows (it must not) leaves them as they are.
    if (m_nRows == n) m_order = std::move(from);
}

void CListRows::TakeOrder(const std::vector<SortKey>& keys, bool descending) {
    const std::size_t n = keys.size();
    std::vector<std::uint32_t> order(n);
    for (std::size_t i = 0; i < n; ++i) order[i] = keys[descending ? n - 1 - i : i].row;
    m_order = std::move(order);
}

void CListRows::SortByKeys(std::vector<SortKey> keys, bool descending) {
    if (keys.size() != m_nRows || m_nRows < 2) return;
    for (auto& key : keys) key.row = static_cast<std::uint32_t>(Slot(static_cast<int>(key.row)));
    std::vector<SortKey> scratch(keys.size());
    RadixSortKeys(keys.data(), scratch.data(), keys.size());
    TakeOrder(keys, descending);
}

void CListRows::SortByText(int nCol, bool descending) {
    const std::size_t n = m_nRows;
    if (n < 2 || nCol < 0 || nCol >= GetColumnCount()) return;
    const bool twoThreads = WorthTwoThreads(n);
    const TextArena column(m_columns[static_cast<std::size_t>(nCol)], twoThreads);
    std::vector<SortKey> keys(n);
    std::vector<SortKey> scratch(n);
    for (std::size_t r = 0; r < n; ++r) keys[r].row = static_cast<std::uint32_t>(Slot(static_cast<int>(r)));
    // The bytes all texts share need no pass of their own (every path of a drive starts with its
    // root).
    const std::size_t depth = SharedBytes(column, keys.data(), n, 0);
    // The next bytes of every text, sorted: one pass is enough, since past the bytes all share the
    // texts cannot all agree in the next kChunk. Each half of the rows is read and sorted on a
    // thread of its own, then the halves merged, the first half's key first where two are equal,
    // as the order from before the sort has it.
    const auto chunkAndSort = [&](std::size_t from, std::size_t to) {
        for (std::size_t r = from; r < to; ++r) keys[r].key = column.Chunk(keys[r].row, depth);
        RadixSortKeys(keys.data() + from, scratch.data() + from, to - from);
    };
    if (twoThreads) {
        RunInTwoParts(true, [&](int part) { part == 0 ? chunkAndSort(0, n / 2) : chunkAndSort(n / 2, n); });
        const auto byKey = [](const SortKey& a, const SortKey& b) { return a.key < b.key; };
        const auto half = keys.begin() + static_cast<std::ptrdiff_t>(n / 2);
        std::merge(keys.begin(), half, half, keys.end(), scratch.begin(), byKey);
        keys.swap(scratch);
    } else {
        chunkAndSort(0, n);
    }
    // Runs of equal bytes go on independently: about half of their rows to each thread.
    std::vector<TextRun> runs[2];
    std::size_t rowsOf[2] = {0, 0};
    for (std::size_t i = 0, j; i < n; i = j) {
        for (j = i + 1; j < n && keys[j].key == keys[i].key;) ++j;
        if (j - i < 2 || (keys[i].key & 0xFF) != kChunk) continue;
        const int half = twoThreads && rowsOf[1] < rowsOf[0] ? 1 : 0;
        runs[half].push_back({i, j, depth + kChunk});
        rowsOf[half] += j - i;
    }
    RunInTwoParts(!runs[1].empty(),
                  [&](int part) { RefineTextRuns(column, keys.data(), scratch.data(), std::move(runs[part])); });
    TakeOrder(keys, descending);
}

void CListRows::NumberRows() {
    if (m_order.empty() && m_nRows == m_nSlots) {
        std::vector<std::intptr_t>().swap(m_data);  // row r is slot r: the slot numbers are the data
        return;
    }
    MakeData();
    for (std::size_t r = 0; r < m_nRows; ++r) m_data[Slot(static_cast<int>(r))] = static_cast<std::intptr_t>(r);
}

std::uint64_t CListRows::TextBytes() const {
    std::uint64_t bytes = 0;
    for (const auto& column : m_columns) bytes += column.TextBytes();
    return bytes;
}

std::uint64_t CListRows::HeapBytes() const {
    std::uint64_t bytes = m_data.capacity() * sizeof(std::intptr_t) + m_order.capacity() * sizeof(std::uint32_t) +
                          m_columns.capacity() * sizeof(CTextColumn);
    for (const auto& column : m_columns) bytes += column.HeapBytes();
    return bytes;
}
