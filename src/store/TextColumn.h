#pragma once
#include "store/CellText.h"
#include "store/SystemAllocator.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

// An append-only array of byte strings held in one growing buffer: the column arrays of a scan,
// the cells of a list control and the result lines all use it. A drive holds millions of entries,
// so an element costs its bytes, one NUL, a 2-byte length and a sixteenth of an 8-byte block offset
// (kBlock elements share one): 2.5 bytes beside the text and its NUL, and no heap block of its own (a std::string per
// cell costs 32 bytes and often a heap block; 4-byte offsets cost 28 MB more per million rows of 7 cells). Every
// element is followed by a NUL, so Get(i).data() can go straight to atof and friends.
//
// Two columns of a drive table hold texts that need not be stored as such (a million files):
// - a time column keeps each time as its local calendar seconds, 8 bytes instead of some 22, and
//   writes the text when it is read (the scan saves formatting three times per file, too);
// - a path column keeps each path as the length it shares with the path before it and the bytes
//   that differ: files of one folder follow each other, so a path costs about its name.
// Either is chosen while the column is empty; reads and writes of texts work the same in all.
class CTextColumn {
public:
    CTextColumn() = default;
    ~CTextColumn();
    CTextColumn(const CTextColumn&) = delete;
    CTextColumn& operator=(const CTextColumn&) = delete;
    CTextColumn(CTextColumn&& other) noexcept;
    CTextColumn& operator=(CTextColumn&& other) noexcept;

    void Add(std::string_view text);
    // Makes an empty column keep its paths by their shared beginnings (see above).
    void SetPrefixCoded();
    // Adds the time text of a file time (empty when not known). An empty column becomes a time column.
    void AddTime(bool bKnown, std::int64_t secondsSinceEpoch);
    // Adds element i of another column, in the form it is kept in there where this column can.
    void AddFrom(const CTextColumn& from, std::size_t i);
    // Replaces element i. The last element is rewritten in place; any other one is kept aside,
    // which only the few later writes (counts of an All Drives table) ever need.
    void SetAt(std::size_t i, std::string_view text);
    CCellText GetAt(std::size_t i) const;
    CCellText operator[](std::size_t i) const { return GetAt(i); }
    std::size_t GetSize() const { return m_mode == Mode::Time ? m_times.size() : m_lengths.size(); }
    bool IsEmpty() const { return GetSize() == 0; }
    // Every element's text laid out one after another, as a text sort wants them: ends[i] is where
    // element i's text ends (without NULs), and CopyTexts writes elements [from, to) from out on,
    // out being where element `from` begins. Reading them one by one would decode a path per read;
    // ranges that begin at a multiple of kBlock can be copied on several threads at once.
    void GetTextEnds(std::vector<std::uint64_t>& ends) const;
    void CopyTexts(std::size_t from, std::size_t to, char* out) const;
    // Adds elements [from, to) of another column, kept as they are kept there where this column can.
    void AddRange(const CTextColumn& from, std::size_t begin, std::size_t end);
    static constexpr std::size_t kBlock = 16;
    // Drops the elements from index n on.
    void Truncate(std::size_t n);
    // Empties the array and gives its memory back.
    void RemoveAll();
    // Bytes of all element texts, without the NULs: what the cells hold.
    std::uint64_t TextBytes() const;
    // Bytes this array has asked the heap for (buffer capacity, offsets, replaced elements).
    std::uint64_t HeapBytes() const;

private:
    // Elements are found from the offset of their block of kBlock by adding up the lengths before
    // them: at most 15 additions, a few nanoseconds, for 2 bytes less per element.
    // A length of this or more is kept in m_long instead.
    static constexpr std::uint16_t kLong = 0xFFFF;

    enum class Mode : std::uint8_t { Text, Prefixed, Time };
    // Time values that are no calendar seconds: an empty text, and a text kept in m_replaced.
    static constexpr std::int64_t kNoTime = INT64_MIN;
    static constexpr std::int64_t kTextTime = INT64_MIN + 1;
    // Longest shared beginning a prefix-coded element records.
    static constexpr std::size_t kMaxPrefix = 0xFFFF;

    std::string_view Stored(std::size_t i) const;  // the bytes kept for element i
    void AddStored(std::string_view text);
    CCellText Decode(std::size_t i) const;
    // Calls visit(i, text) for elements [from, to) in order, decoding each path once.
    template <class F>
    void VisitTexts(std::size_t from, std::size_t to, F&& visit) const;
    std::uint64_t Length(std::size_t i) const;
    std::uint64_t Begin(std::size_t i) const;
    void Reserve(std::uint64_t bytes);

    char* m_pData = nullptr;  // elements, each followed by a NUL
    std::uint64_t m_nUsed = 0;
    std::uint64_t m_nCapacity = 0;
    template <class T>
    using Array = std::vector<T, CSystemAllocator<T>>;
    Array<std::uint16_t> m_lengths;                       // per element
    Array<std::uint64_t> m_blockBegin;                    // offset of element k * kBlock
    Array<std::pair<std::size_t, std::uint64_t>> m_long;  // (element, length), ascending
    std::unordered_map<std::size_t, std::string> m_replaced;
    Mode m_mode = Mode::Text;
    Array<std::int64_t> m_times;    // Time: per element
    Array<std::uint16_t> m_prefix;  // Prefixed: bytes shared with the element before
    std::string m_last;             // Prefixed: the whole text of the last element
};
