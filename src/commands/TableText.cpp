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
    const char special[] = {separator, '"', '\r', '\n'};
    if (cell.find_first_of(std::string_view(special, sizeof special)) == std::string_view::npos) {
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
