#include "platform/ListRows.h"

#include <algorithm>
#include <climits>
#include <numeric>
#include <utility>

namespace {
// Rows are addressed by int and stored by 32-bit slot.
constexpr std::size_t kMaxRows = INT_MAX;
// Texts of deleted rows are kept until they outnumber the rows shown and are at least this many:
// deleting a few rows of a million must not copy the million that stay.
constexpr std::size_t kMinDeadToCompact = 4096;

// Makes element `slot` of the column the next one to be added: cells never set read empty.
void PadTo(CTextColumn& column, std::size_t slot) {
    while (column.GetSize() < slot) column.Add({});
}
}  // namespace

void CListRows::SetColumnCount(int count) {
    m_columns.resize(count < 0 ? 0 : static_cast<std::size_t>(count));
}

void CListRows::InsertColumn(int nCol) {
    const auto at = static_cast<std::size_t>(std::clamp(nCol, 0, GetColumnCount()));
    m_columns.insert(m_columns.begin() + static_cast<std::ptrdiff_t>(at), CTextColumn());
}

int CListRows::InsertRow(int nRow, std::string_view text, std::intptr_t data) {
    if (nRow < 0 || m_data.size() >= kMaxRows) return -1;
    // A new row always takes a new slot at the end of the columns, wherever it is shown, so the
    // cells of the row just inserted are appends, never rewrites of older texts.
    const std::size_t slot = m_data.size();
    if (!m_columns.empty()) {
        PadTo(m_columns[0], slot);
        m_columns[0].Add(text);
    }
    m_data.push_back(data);
    const auto pos = std::min(static_cast<std::size_t>(nRow), m_order.size());
    m_order.insert(m_order.begin() + static_cast<std::ptrdiff_t>(pos), static_cast<std::uint32_t>(slot));
    return static_cast<int>(pos);
}

void CListRows::TakeRows(std::vector<CTextColumn> columns) {
    std::size_t n = columns.empty() ? 0 : std::min(columns[0].GetSize(), kMaxRows);
    if (!m_order.empty() || !m_data.empty()) {
        // Rows already there: the new ones are appended cell by cell (a copy; fills never do this).
        const auto base = static_cast<std::intptr_t>(m_order.size());
        for (std::size_t i = 0; i < n && m_data.size() < kMaxRows; ++i) {
            const int row = InsertRow(GetRowCount(), columns[0][i], base + static_cast<std::intptr_t>(i));
            for (std::size_t c = 1; c < columns.size() && c < m_columns.size(); ++c)
                if (i < columns[c].GetSize()) SetText(row, static_cast<int>(c), columns[c][i]);
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
    // Item data is the row number, as the fill gives it to every row it inserts.
    m_data.resize(n);
    std::iota(m_data.begin(), m_data.end(), std::intptr_t{0});
    m_order.resize(n);
    std::iota(m_order.begin(), m_order.end(), std::uint32_t{0});
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

std::string_view CListRows::GetText(int nRow, int nCol) const {
    // An empty literal, not a default view: callers hand data() to atof and friends.
    if (!IsRow(nRow) || nCol < 0 || nCol >= GetColumnCount()) return std::string_view("", 0);
    return m_columns[static_cast<std::size_t>(nCol)].GetAt(Slot(nRow));
}

std::intptr_t CListRows::GetData(int nRow) const { return IsRow(nRow) ? m_data[Slot(nRow)] : 0; }

bool CListRows::SetData(int nRow, std::intptr_t data) {
    if (!IsRow(nRow)) return false;
    m_data[Slot(nRow)] = data;
    return true;
}

bool CListRows::DeleteRow(int nRow) {
    if (!IsRow(nRow)) return false;
    m_order.erase(m_order.begin() + nRow);
    CompactIfSparse();
    return true;
}

int CListRows::DeleteRows(const std::vector<int>& rows) {
    std::size_t kept = 0;
    auto next = rows.begin();
    for (std::size_t r = 0; r < m_order.size(); ++r) {
        while (next != rows.end() && *next < static_cast<int>(r)) ++next;  // negative, repeated, unsorted
        if (next != rows.end() && *next == static_cast<int>(r)) continue;
        m_order[kept++] = m_order[r];
    }
    const auto removed = static_cast<int>(m_order.size() - kept);
    m_order.resize(kept);
    if (removed) CompactIfSparse();
    return removed;
}

void CListRows::DeleteAll() {
    for (auto& column : m_columns) column.RemoveAll();
    std::vector<std::intptr_t>().swap(m_data);
    std::vector<std::uint32_t>().swap(m_order);
}

void CListRows::CompactIfSparse() {
    if (m_order.empty()) {
        DeleteAll();
        return;
    }
    const std::size_t dead = m_data.size() - m_order.size();
    if (dead < kMinDeadToCompact || dead <= m_order.size()) return;
    for (auto& column : m_columns) {
        if (column.IsEmpty()) continue;
        CTextColumn kept;
        for (const std::uint32_t slot : m_order) kept.Add(column[slot]);
        column = std::move(kept);
    }
    std::vector<std::intptr_t> data(m_order.size());
    for (std::size_t r = 0; r < m_order.size(); ++r) data[r] = m_data[m_order[r]];
    m_data = std::move(data);
    std::iota(m_order.begin(), m_order.end(), std::uint32_t{0});
}

void CListRows::Sort(CompareFn compare, std::intptr_t context) {
    const std::size_t n = m_order.size();
    if (n < 2 || !compare) return;
    // A bottom-up merge sort of a copy of the display order. It asks only "does a go after b" and
    // takes b first exactly then, so it ends ordered even when the comparison answers yes for both
    // orders of two equal rows (a descending sort does), where std::sort may run out of range.
    // The rows themselves stay where they are until the end: the comparison reads cells by the
    // row numbers of the order from before the sort.
    std::vector<std::uint32_t> from(m_order);
    std::vector<std::uint32_t> to(n);
    const auto dataOf = [this](std::uint32_t slot) {
        return slot < m_data.size() ? m_data[slot] : std::intptr_t{0};
    };
    for (std::size_t width = 1; width < n; width *= 2) {
        for (std::size_t lo = 0; lo < n; lo += 2 * width) {
            const std::size_t mid = std::min(lo + width, n);
            const std::size_t hi = std::min(lo + 2 * width, n);
            std::size_t a = lo, b = mid, out = lo;
            while (a < mid && b < hi) {
                if (compare(dataOf(from[a]), dataOf(from[b]), context) != 0) to[out++] = from[b++];
                else to[out++] = from[a++];
            }
            while (a < mid) to[out++] = from[a++];
            while (b < hi) to[out++] = from[b++];
        }
        from.swap(to);
    }
    // A comparison that changed the rows (it must not) leaves them as they are.
    if (from.size() == m_order.size()) m_order = std::move(from);
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
