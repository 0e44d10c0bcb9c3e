#pragma once
#include <string>
#include <string_view>

// Rows of cells as text a spreadsheet or a script reads: CSV after RFC 4180 (comma, CR LF line
// ends) or tab-separated (tab, LF line ends). A cell that holds the separator, a double quote, a CR
// or a LF is put in double quotes with its own quotes doubled, as both readers expect. Cells are
// written as their bytes: a name that is not UTF-8 keeps the bytes the file system holds.
class CTableText {
public:
    enum Format { Csv, Tsv };

    explicit CTableText(Format format) : m_format(format) {}
    // The format a file name asks for: ".tsv", ".tab" or ".txt" in any case give Tsv, all else Csv.
    static Format FormatOf(std::string_view fileName);

    // Appends one cell to out: the separator first unless it is the row's first cell.
    void AppendCell(std::string_view cell, bool bFirst, std::string& out) const;
    void AppendLineEnd(std::string& out) const;

private:
    Format m_format;
};
