#pragma once
#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>

// The text of one cell as a reader gets it: a view of the stored bytes where the column holds the
// text itself, or the text made for this read (a time kept as a number, a path kept as the part
// that differs from the path before it). Always NUL-terminated, so data() can go to atof and friends.
// A view of it lasts as long as the CCellText: the conversion to std::string_view is refused on a
// temporary, so `std::string_view s = rows.GetText(r, c);` does not compile instead of dangling.
class CCellText {
public:
    CCellText() = default;
    // The stored text; it must be followed by a NUL.
    explicit CCellText(std::string_view stored) : m_view(stored) {}
    // A copy views the same stored bytes, or makes its own copy of a made text.
    CCellText(const CCellText& other) { Assign(other); }
    CCellText& operator=(const CCellText& other) {
        if (this != &other) Assign(other);
        return *this;
    }

    // Room for a text of n bytes made for this read (and its NUL); View() shows it from then on.
    char* Build(std::size_t n);

    std::string_view View() const& { return m_view; }
    std::string_view View() const&& = delete;
    operator std::string_view() const& { return m_view; }
    operator std::string_view() const&& = delete;
    const char* data() const& { return m_view.data(); }
    std::size_t size() const { return m_view.size(); }
    bool empty() const { return m_view.empty(); }

    friend bool operator==(const CCellText& a, const CCellText& b) { return a.m_view == b.m_view; }
    friend bool operator==(const CCellText& a, std::string_view b) { return a.m_view == b; }
    friend std::ostream& operator<<(std::ostream& out, const CCellText& cell);

private:
    void Assign(const CCellText& other);
    bool IsOwn() const { return m_view.data() == m_inline || (!m_heap.empty() && m_view.data() == m_heap.data()); }

    std::string_view m_view{""};
    // A time text (19 bytes) or a length fits here; longer made texts take the string.
    char m_inline[32] = {};
    std::string m_heap;
};
