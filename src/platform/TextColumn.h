#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// An append-only array of byte strings held in one growing buffer: the column arrays of a scan,
// the cells of a list control and the result lines all use it. A drive holds millions of entries,
// so an element costs its bytes, one NUL and a 4-byte end offset, and no heap block of its own
// (a std::string per cell costs 32 bytes and often a heap block). Every element is followed by a
// NUL, so Get(i).data() can go straight to atof and friends.
class CTextColumn {
public:
    CTextColumn() = default;
    ~CTextColumn();
    CTextColumn(const CTextColumn&) = delete;
    CTextColumn& operator=(const CTextColumn&) = delete;
    CTextColumn(CTextColumn&& other) noexcept;
    CTextColumn& operator=(CTextColumn&& other) noexcept;

    void Add(std::string_view text);
    // Replaces element i. The last element is rewritten in place; any other one is kept aside,
    // which only the few later writes (counts of an All Drives table) ever need.
    void SetAt(std::size_t i, std::string_view text);
    std::string_view GetAt(std::size_t i) const;
    std::string_view operator[](std::size_t i) const { return GetAt(i); }
    std::size_t GetSize() const { return m_ends.size(); }
    bool IsEmpty() const { return m_ends.empty(); }
    // Drops the elements from index n on.
    void Truncate(std::size_t n);
    // Empties the array and gives its memory back.
    void RemoveAll();
    // Bytes of all element texts, without the NULs: what the cells hold.
    std::uint64_t TextBytes() const;
    // Bytes this array has asked the heap for (buffer capacity, offsets, replaced elements).
    std::uint64_t HeapBytes() const;

private:
    std::uint64_t Begin(std::size_t i) const;
    std::uint64_t End(std::size_t i) const;
    void Reserve(std::uint64_t bytes);

    char* m_pData = nullptr;         // elements, each followed by a NUL
    std::uint64_t m_nUsed = 0;
    std::uint64_t m_nCapacity = 0;
    // Low 32 bits of the offset just past each element's NUL; m_wraps holds the indices at which
    // the offsets passed another 4 GiB, so offsets stay 4 bytes for any size of buffer.
    std::vector<std::uint32_t> m_ends;
    std::vector<std::size_t> m_wraps;
    std::unordered_map<std::size_t, std::string> m_replaced;
};
