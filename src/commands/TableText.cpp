#include "commands/TableText.h"

#include <algorithm>
#include <cctype>

CTableText::Format CTableText::FormatOf(std::string_view fileName) {
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos || fileName.find('/', dot) != std::string_view::npos) return Csv;
    std::string ext(fileName.substr(dot + 1));
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext == "tsv" || ext == "tab" || ext == "txt" ? Tsv : Csv;
}

void CTableText::AppendCell(std::string_view cell, bool bFirst, std::string& out) const {
    const char separator = m_format == Csv ? ',' : '\t';
    if (!bFirst) out += separator;
    // One pass over the bytes; find_first_of calls memchr on the set for every byte.
    bool bQuote = false;
    for (const char c : cell)
        if (c == separator || c == '"' || c == '\r' || c == '\n') {
            bQuote = true;
            break;
        }
    if (!bQuote) {
        out += cell;
        return;
    }
    out += '"';
    for (const char c : cell) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

void CTableText::AppendLineEnd(std::string& out) const { out += m_format == Csv ? "\r\n" : "\n"; }
