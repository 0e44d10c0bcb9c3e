#include "framework/MakeLower.h"

#include <QChar>

namespace {

inline char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

void AppendUtf8(char32_t cp, std::string& out) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes one code point at text[i] (not ASCII); 0 bytes when the sequence is not valid UTF-8
// (overlong forms, surrogates and values past U+10FFFF are not).
std::size_t DecodeUtf8(std::string_view text, std::size_t i, char32_t& cp) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    std::size_t length;
    char32_t min;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, cp = lead & 0x1F, min = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, cp = lead & 0x0F, min = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, cp = lead & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return length;
}

// The simple lower-case mapping. Qt leaves a letter alone whose full mapping differs from its simple
// one; of all code points only U+0130 (capital I with dot above) has such a full lower case
// ("i" and a combining dot), and its simple one is "i", as "istanbul" must find "İstanbul".
char32_t SimpleLower(char32_t cp) { return cp == 0x130 ? U'i' : QChar::toLower(cp); }

}  // namespace

void AppendLower(std::string_view text, std::string& out) {
    const std::size_t start = out.size();
    out.reserve(start + text.size());
    // Most names are ASCII: they take the first loop alone, with no decoding and no Qt string.
    std::size_t i = 0;
    for (; i < text.size() && static_cast<unsigned char>(text[i]) < 0x80; ++i) out += LowerAscii(text[i]);
    while (i < text.size()) {
        const char c = text[i];
        if (static_cast<unsigned char>(c) < 0x80) {
            out += LowerAscii(c);
            ++i;
            continue;
        }
        char32_t cp;
        const std::size_t length = DecodeUtf8(text, i, cp);
        if (length == 0) {
            // Not UTF-8: start again and lower the ASCII letters only.
            out.resize(start);
            for (char b : text) out += LowerAscii(b);
            return;
        }
        AppendUtf8(SimpleLower(cp), out);
        i += length;
    }
}

void MakeLower(std::string& text) {
    std::string lower;
    AppendLower(text, lower);
    text.swap(lower);
}
