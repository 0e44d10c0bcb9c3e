#include "platform/TextColumn.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

CTextColumn::~CTextColumn() { std::free(m_pData); }

CTextColumn::CTextColumn(CTextColumn&& other) noexcept
    : m_pData(other.m_pData), m_nUsed(other.m_nUsed), m_nCapacity(other.m_nCapacity),
      m_lengths(std::move(other.m_lengths)), m_blockBegin(std::move(other.m_blockBegin)),
      m_long(std::move(other.m_long)), m_replaced(std::move(other.m_replaced)) {
    other.m_pData = nullptr;
    other.m_nUsed = other.m_nCapacity = 0;
    other.m_lengths.clear();
    other.m_blockBegin.clear();
    other.m_long.clear();
    other.m_replaced.clear();
}

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
    }
    return *this;
}

void CTextColumn::Reserve(std::uint64_t bytes) {
    if (bytes <= m_nCapacity) return;
    // Grows by half: realloc of a block this large moves pages (mremap) instead of copying them,
    // and pages not yet written are not resident, so the peak stays near the bytes in use.
    std::uint64_t capacity = std::max<std::uint64_t>({bytes, m_nCapacity + m_nCapacity / 2, 4096});
    void* p = std::realloc(m_pData, capacity);
    if (!p) throw std::bad_alloc();
    m_pData = static_cast<char*>(p);
    m_nCapacity = capacity;
}

void CTextColumn::Add(std::string_view text) {
    // The text may be an element of this array (col.Add(col[0])): the buffer can move under it.
    const bool inside = !text.empty() && m_pData && text.data() >= m_pData &&
                        text.data() < m_pData + m_nCapacity;
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

std::string_view CTextColumn::GetAt(std::size_t i) const {
    if (i >= m_lengths.size()) return std::string_view("", 0);  // NUL-terminated like every element
    if (!m_replaced.empty()) {
        auto it = m_replaced.find(i);
        if (it != m_replaced.end()) return it->second;
    }
    return std::string_view(m_pData + Begin(i), Length(i));
}

void CTextColumn::SetAt(std::size_t i, std::string_view text) {
    if (i >= m_lengths.size()) return;
    if (i + 1 == m_lengths.size()) {
        // The last element is rewritten in place: a fill sets the cells of the row it just added.
        // The text may be this very element, so it goes through a copy when it lies in the buffer.
        m_replaced.erase(i);
        const bool inside = !text.empty() && text.data() >= m_pData && text.data() < m_pData + m_nCapacity;
        std::string keep;
        if (inside) {
            keep.assign(text);
            text = keep;
        }
        Truncate(i);
        Add(text);
        return;
    }
    m_replaced[i] = std::string(text);
}

void CTextColumn::Truncate(std::size_t n) {
    if (n >= m_lengths.size()) return;
    m_nUsed = Begin(n);
    m_lengths.resize(n);
    m_blockBegin.resize((n + kBlock - 1) / kBlock);
    while (!m_long.empty() && m_long.back().first >= n) m_long.pop_back();
    for (auto it = m_replaced.begin(); it != m_replaced.end();) {
        if (it->first >= n) it = m_replaced.erase(it);
        else ++it;
    }
}

void CTextColumn::RemoveAll() {
    std::free(m_pData);
    m_pData = nullptr;
    m_nUsed = m_nCapacity = 0;
    std::vector<std::uint16_t>().swap(m_lengths);
    std::vector<std::uint64_t>().swap(m_blockBegin);
    std::vector<std::pair<std::size_t, std::uint64_t>>().swap(m_long);
    std::unordered_map<std::size_t, std::string>().swap(m_replaced);
}

std::uint64_t CTextColumn::TextBytes() const {
    std::uint64_t bytes = m_nUsed - m_lengths.size();
    for (const auto& [i, text] : m_replaced) bytes += text.size() - Length(i);
    return bytes;
}

std::uint64_t CTextColumn::HeapBytes() const {
    std::uint64_t bytes = m_nCapacity + m_lengths.capacity() * sizeof(std::uint16_t) +
                          m_blockBegin.capacity() * sizeof(std::uint64_t) +
                          m_long.capacity() * sizeof(std::pair<std::size_t, std::uint64_t>);
    for (const auto& [i, text] : m_replaced) bytes += sizeof(text) + text.capacity() + 16;
    return bytes;
}
