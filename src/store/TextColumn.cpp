#include "store/TextColumn.h"

#include "store/TimeText.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

CTextColumn::~CTextColumn() { FreeBlock(m_pData, m_nCapacity); }

CTextColumn::CTextColumn(CTextColumn&& other) noexcept { *this = std::move(other); }

CTextColumn& CTextColumn::operator=(CTextColumn&& other) noexcept {
    if (this != &other) {
        RemoveAll();
        std::swap(m_pData, other.m_pData);
        std::swap(m_nUsed, other.m_nUsed);
        std::swap(m_nCapacity, other.m_nCapacity);
        m_lengths.swap(other.m_lengths);
        m_blockBegin.swap(other.m_blockBegin);
        m_long.swap(other.m_long);
        m_replaced.swap(other.m_replaced);
        std::swap(m_mode, other.m_mode);
        m_times.swap(other.m_times);
        m_prefix.swap(other.m_prefix);
        m_last.swap(other.m_last);
    }
    return *this;
}

void CTextColumn::Reserve(std::uint64_t bytes) {
    if (bytes <= m_nCapacity) return;
    // Grows by half: ResizeBlock moves the pages of a large block (mremap) instead of copying them,
    // and pages not yet written are not resident, so the peak stays near the bytes in use.
    std::uint64_t capacity = std::max<std::uint64_t>({bytes, m_nCapacity + m_nCapacity / 2, 4096});
    void* p = ResizeBlock(m_pData, m_nCapacity, capacity);
    if (!p) throw std::bad_alloc();
    m_pData = static_cast<char*>(p);
    m_nCapacity = capacity;
}

void CTextColumn::SetPrefixCoded() {
    if (IsEmpty()) m_mode = Mode::Prefixed;
}

void CTextColumn::AddStored(std::string_view text) {
    // The text may be an element of this array (col.Add(col[0])): the buffer can move under it.
    const bool inside = !text.empty() && m_pData && text.data() >= m_pData && text.data() < m_pData + m_nCapacity;
    const std::uint64_t from = inside ? static_cast<std::uint64_t>(text.data() - m_pData) : 0;
    Reserve(m_nUsed + text.size() + 1);
    if (inside) text = std::string_view(m_pData + from, text.size());
    if (!text.empty()) std::memmove(m_pData + m_nUsed, text.data(), text.size());
    m_pData[m_nUsed + text.size()] = '\0';

    const std::size_t i = m_lengths.size();
    if (i % kBlock == 0) m_blockBegin.push_back(m_nUsed);
    if (text.size() >= kLong) {
        m_lengths.push_back(kLong);
        m_long.emplace_back(i, text.size());
    } else {
        m_lengths.push_back(static_cast<std::uint16_t>(text.size()));
    }
    m_nUsed += text.size() + 1;
}

void CTextColumn::Add(std::string_view text) {
    switch (m_mode) {
    case Mode::Text: AddStored(text); return;
    case Mode::Prefixed: {
        // The first element of a block is kept whole: a read decodes at most a block.
        std::size_t shared = 0;
        if (m_lengths.size() % kBlock != 0) {
            const std::size_t most = std::min({text.size(), m_last.size(), kMaxPrefix});
            while (shared < most && text[shared] == m_last[shared]) ++shared;
        }
        m_prefix.push_back(static_cast<std::uint16_t>(shared));
        m_last.assign(text);  // before the add: text may lie in the buffer that the add moves
        AddStored(std::string_view(m_last).substr(shared));
        return;
    }
    case Mode::Time: {
        // A text this column writes itself is kept as its number; any other as it is.
        const std::size_t i = m_times.size();
        if (text.empty()) {
            m_times.push_back(kNoTime);
            return;
        }
        if (const std::optional<std::int64_t> civil = ParseTimeText(text)) {
            char buf[32];
            if (std::string_view(buf, FormatCivilTime(*civil, buf)) == text) {
                m_times.push_back(*civil);
                return;
            }
        }
        m_replaced[i] = std::string(text);
        m_times.push_back(kTextTime);
        return;
    }
    }
}

void CTextColumn::AddTime(bool bKnown, std::int64_t secondsSinceEpoch) {
    if (IsEmpty() && m_mode == Mode::Text) m_mode = Mode::Time;
    std::int64_t civil = 0;
    const LocalTimeKind kind = bKnown ? LocalCivilTime(secondsSinceEpoch, civil) : LocalTimeKind::None;
    if (m_mode == Mode::Time && kind != LocalTimeKind::Text) {
        m_times.push_back(kind == LocalTimeKind::Civil ? civil : kNoTime);
        return;
    }
    std::string text;
    if (kind != LocalTimeKind::None) AppendTimeText(secondsSinceEpoch, text);
    Add(text);
}

void CTextColumn::AddFrom(const CTextColumn& from, std::size_t i) {
    if (IsEmpty() && m_mode == Mode::Text) m_mode = from.m_mode;
    if (m_mode == Mode::Time && from.m_mode == Mode::Time && i < from.m_times.size() && !from.m_replaced.count(i)) {
        m_times.push_back(from.m_times[i]);
        return;
    }
    const CCellText text = from.GetAt(i);
    Add(text);
}

std::uint64_t CTextColumn::Length(std::size_t i) const {
    if (m_lengths[i] != kLong) return m_lengths[i];
    const auto it = std::lower_bound(m_long.begin(), m_long.end(), std::make_pair(i, std::uint64_t{0}));
    return it->second;
}

std::uint64_t CTextColumn::Begin(std::size_t i) const {
    std::uint64_t offset = m_blockBegin[i / kBlock];
    for (std::size_t j = i - i % kBlock; j < i; ++j) offset += Length(j) + 1;
    return offset;
}

std::string_view CTextColumn::Stored(std::size_t i) const { return std::string_view(m_pData + Begin(i), Length(i)); }

CCellText CTextColumn::Decode(std::size_t i) const {
    // Element i is its prefix taken from element i - 1 and its own bytes; the prefix of element i - 1
    // comes from element i - 2, and so on back to an element kept whole. Walked backwards, each
    // byte of the text is copied once, from the element that last wrote it.
    const std::size_t first = i - i % kBlock;
    std::uint64_t offsets[kBlock];
    std::uint64_t offset = m_blockBegin[i / kBlock];
    for (std::size_t j = first; j <= i; ++j) {
        offsets[j - first] = offset;
        offset += Length(j) + 1;
    }
    const std::size_t total = m_prefix[i] + Length(i);
    CCellText cell;
    char* out = cell.Build(total);
    std::size_t need = total;  // bytes [0, need) are still to be written
    for (std::size_t j = i + 1; j-- > first && need > 0;) {
        const std::size_t begin = m_prefix[j];
        if (begin < need) {
            std::memcpy(out + begin, m_pData + offsets[j - first], need - begin);
            need = begin;
        }
    }
    return cell;
}

CCellText CTextColumn::GetAt(std::size_t i) const {
    if (i >= GetSize()) return CCellText();  // NUL-terminated like every element
    if (!m_replaced.empty()) {
        auto it = m_replaced.find(i);
        if (it != m_replaced.end()) return CCellText(it->second);
    }
    switch (m_mode) {
    case Mode::Time: {
        CCellText cell;
        if (m_times[i] != kNoTime) {
            char buf[32];
            const std::size_t n = FormatCivilTime(m_times[i], buf);
            std::memcpy(cell.Build(n), buf, n);
        }
        return cell;
    }
    case Mode::Prefixed:
        if (m_prefix[i] != 0) return Decode(i);
        [[fallthrough]];
    case Mode::Text: break;
    }
    return CCellText(Stored(i));
}

void CTextColumn::GetTextEnds(std::vector<std::uint64_t>& ends) const {
    const std::size_t n = GetSize();
    ends.resize(n);
    std::uint64_t end = 0;
    for (std::size_t i = 0; i < n; ++i) {
        auto it = m_replaced.empty() ? m_replaced.end() : m_replaced.find(i);
        if (it != m_replaced.end())
            end += it->second.size();
        else if (m_mode == Mode::Time)
            end += m_times[i] == kNoTime ? 0 : 19;  // "dd/mm/yyyy HH:MM:SS": a number is a four-digit year
        else
            end += Length(i) + (m_mode == Mode::Prefixed ? m_prefix[i] : 0);
        ends[i] = end;
    }
}

template <class F>
void CTextColumn::VisitTexts(std::size_t from, std::size_t to, F&& visit) const {
    to = std::min(to, GetSize());
    if (from >= to) return;
    // A path needs the one before it, back to the start of its block.
    const std::size_t start = m_mode == Mode::Prefixed ? from - from % kBlock : from;
    std::string current;
    std::uint64_t offset = m_mode == Mode::Time ? 0 : Begin(start);
    char buf[32];
    for (std::size_t i = start; i < to; ++i) {
        std::string_view text;
        if (m_mode == Mode::Time) {
            const bool number = m_times[i] != kNoTime && m_times[i] != kTextTime;
            if (number) text = std::string_view(buf, FormatCivilTime(m_times[i], buf));
        } else {
            text = std::string_view(m_pData + offset, Length(i));
            offset += text.size() + 1;
            if (m_mode == Mode::Prefixed) {
                current.resize(m_prefix[i]);
                current += text;
                text = current;
            }
        }
        if (i < from) continue;
        if (!m_replaced.empty())
            if (auto it = m_replaced.find(i); it != m_replaced.end()) text = it->second;
        visit(i, text);
    }
}

void CTextColumn::CopyTexts(std::size_t from, std::size_t to, char* out) const {
    VisitTexts(from, to, [&out](std::size_t, std::string_view text) {
        std::memcpy(out, text.data(), text.size());
        out += text.size();
    });
}

void CTextColumn::AddRange(const CTextColumn& from, std::size_t begin, std::size_t end) {
    if (IsEmpty() && m_mode == Mode::Text) m_mode = from.m_mode;
    if (m_mode == Mode::Time && from.m_mode == Mode::Time && from.m_replaced.empty()) {
        end = std::min(end, from.GetSize());
        if (begin < end)
            m_times.insert(m_times.end(), from.m_times.begin() + static_cast<std::ptrdiff_t>(begin),
                           from.m_times.begin() + static_cast<std::ptrdiff_t>(end));
        return;
    }
    from.VisitTexts(begin, end, [this](std::size_t, std::string_view text) { Add(text); });
}

void CTextColumn::SetAt(std::size_t i, std::string_view text) {
    if (i >= GetSize()) return;
    if (i + 1 == GetSize()) {
        // The last element is rewritten in place: a fill sets the cells of the row it just added.
        // The text may be this very element, so it goes through a copy.
        const std::string keep(text);
        Truncate(i);
        Add(keep);
        return;
    }
    m_replaced[i] = std::string(text);
}

void CTextColumn::Truncate(std::size_t n) {
    if (n >= GetSize()) return;
    for (auto it = m_replaced.begin(); it != m_replaced.end();) {
        if (it->first >= n)
            it = m_replaced.erase(it);
        else
            ++it;
    }
    if (m_mode == Mode::Time) {
        m_times.resize(n);
        return;
    }
    m_nUsed = Begin(n);
    m_lengths.resize(n);
    m_blockBegin.resize((n + kBlock - 1) / kBlock);
    while (!m_long.empty() && m_long.back().first >= n) m_long.pop_back();
    if (m_mode == Mode::Prefixed) {
        m_prefix.resize(n);
        // The next add shares its beginning with the element that is now the last.
        if (n == 0) {
            m_last.clear();
        } else {
            const CCellText last = m_prefix[n - 1] != 0 ? Decode(n - 1) : CCellText(Stored(n - 1));
            m_last.assign(last.View());
        }
    }
}

void CTextColumn::RemoveAll() {
    FreeBlock(m_pData, m_nCapacity);
    m_pData = nullptr;
    m_nUsed = m_nCapacity = 0;
    Array<std::uint16_t>().swap(m_lengths);
    Array<std::uint64_t>().swap(m_blockBegin);
    Array<std::pair<std::size_t, std::uint64_t>>().swap(m_long);
    std::unordered_map<std::size_t, std::string>().swap(m_replaced);
    m_mode = Mode::Text;
    Array<std::int64_t>().swap(m_times);
    Array<std::uint16_t>().swap(m_prefix);
    std::string().swap(m_last);
}

std::uint64_t CTextColumn::TextBytes() const {
    std::uint64_t bytes = 0;
    if (m_mode == Mode::Text) {
        bytes = m_nUsed - m_lengths.size();
        for (const auto& [i, text] : m_replaced) bytes += text.size() - Length(i);
        return bytes;
    }
    // Texts made on reading: counted as long as they read (benchmarks only ask).
    for (std::size_t i = 0; i < GetSize(); ++i) bytes += GetAt(i).size();
    return bytes;
}

std::uint64_t CTextColumn::HeapBytes() const {
    std::uint64_t bytes = m_nCapacity + m_lengths.capacity() * sizeof(std::uint16_t) +
                          m_blockBegin.capacity() * sizeof(std::uint64_t) +
                          m_long.capacity() * sizeof(std::pair<std::size_t, std::uint64_t>) +
                          m_times.capacity() * sizeof(std::int64_t) + m_prefix.capacity() * sizeof(std::uint16_t);
    if (m_last.capacity() > std::string().capacity()) bytes += m_last.capacity();  // beyond the string's own room
    for (const auto& [i, text] : m_replaced) bytes += sizeof(std::string) + text.capacity() + 16;
    return bytes;
}
