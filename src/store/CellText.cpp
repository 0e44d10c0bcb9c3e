#include "store/CellText.h"

#include <cstring>
#include <ostream>

char* CCellText::Build(std::size_t n) {
    char* p;
    if (n < sizeof m_inline) {
        p = m_inline;
    } else {
        m_heap.assign(n, '\0');
        p = m_heap.data();
    }
    p[n] = '\0';
    m_view = std::string_view(p, n);
    return p;
}

void CCellText::Assign(const CCellText& other) {
    if (!other.IsOwn()) {
        m_view = other.m_view;
        return;
    }
    std::memcpy(Build(other.size()), other.data(), other.size());
}

std::ostream& operator<<(std::ostream& out, const CCellText& cell) { return out << cell.m_view; }
