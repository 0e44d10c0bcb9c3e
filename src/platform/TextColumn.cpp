#include "platform/TextColumn.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

CTextColumn::~CTextColumn() { std::free(m_pData); }

CTextColumn::CTextColumn(CTextColumn&& other) noexcept
    : m_pData(other.m_pData), m_nUsed(other.m_nUsed), m_nCapacity(other.m_nCapacity),
      m_ends(std::move(other.m_ends)), m_wraps(std::move(other.m_wraps)),
      m_replaced(std::move(other.m_replaced)) {
    other.m_pData = nullptr;
    other.m_nUsed = other.m_nCapacity = 0;
    other.m_ends.clear();
    other.m_wraps.clear();
    other.m_replaced.clear();
}

CTextColumn& CTextColumn::operator=(CTextColumn&& other) noexcept {
    if (this != &other) {
        RemoveAll();
        std::swap(m_pData, other.m_pData);
        std::swap(m_nUsed, other.m_nUsed);
        std::swap(m_nCapacity, other.m_nCapacity);
        m_ends.swap(other.m_ends);
        m_wraps.swap(other.m_wraps);
        m_replaced.swap(other.m_replaced);
    }
    return *this;
}

void CTextColumn::Reserve(std::uint64_t bytes) {
    if (bytes <= m_nCapacity) return;
    // Grows by half: realloc of a block this large moves pages (mremap) instead of copying them,
    // so the peak stays near the bytes in use, not twice them.
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
    const std::uint64_t end = m_nUsed + text.size() + 1;
    while (m_wraps.size() < (end >> 32)) m_wraps.push_back(m_ends.size());
    m_nUsed = end;
    m_ends.push_back(static_cast<std::uint32_t>(end));
}

std::uint64_t CTextColumn::End(std::size_t i) const {
    // Number of 4 GiB boundaries passed at or before element i.
    const auto high = static_cast<std::uint64_t>(
        std::upper_bound(m_wraps.begin(), m_wraps.end(), i) - m_wraps.begin());
    return (high << 32) | m_ends[i];
}

std::uint64_t CTextColumn::Begin(std::size_t i) const { return i == 0 ? 0 : End(i - 1); }

std::string_view CTextColumn::GetAt(std::size_t i) const {
    if (i >= m_ends.size()) return std::string_view("", 0);  // NUL-terminated like every element
    if (!m_replaced.empty()) {
        auto it = m_replaced.find(i);
        if (it != m_replaced.end()) return it->second;
    }
    const std::uint64_t b = Begin(i);
    return std::string_view(m_pData + b, End(i) - b - 1);
}

void CTextColumn::SetAt(std::size_t i, std::string_view text) {
    if (i >= m_ends.size()) return;
    if (i + 1 == m_ends.size()) {
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
    if (n >= m_ends.size()) return;
    m_nUsed = Begin(n);
    m_ends.resize(n);
    while (!m_wraps.empty() && m_wraps.back() >= n) m_wraps.pop_back();
    for (auto it = m_replaced.begin(); it != m_replaced.end();) {
        if (it->first >= n) it = m_replaced.erase(it);
        else ++it;
    }
}

void CTextColumn::RemoveAll() {
    std::free(m_pData);
    m_pData = nullptr;
    m_nUsed = m_nCapacity = 0;
    std::vector<std::uint32_t>().swap(m_ends);
    std::vector<std::size_t>().swap(m_wraps);
    std::unordered_map<std::size_t, std::string>().swap(m_replaced);
}

std::uint64_t CTextColumn::TextBytes() const {
    std::uint64_t bytes = m_nUsed - m_ends.size();
    for (const auto& [i, text] : m_replaced) bytes += text.size() - (End(i) - Begin(i) - 1);
    return bytes;
}

std::uint64_t CTextColumn::HeapBytes() const {
    std::uint64_t bytes = m_nCapacity + m_ends.capacity() * sizeof(std::uint32_t) +
                          m_wraps.capacity() * sizeof(std::size_t);
    for (const auto& [i, text] : m_replaced) bytes += sizeof(text) + text.capacity() + 16;
    return bytes;
}
