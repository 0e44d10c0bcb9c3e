#include "framework/MakeLower.h"

#include <gtest/gtest.h>

TEST(MakeLowerTest, LowersLettersBeyondAsciiOnlyInValidUtf8) {
    const std::pair<std::string, std::string> cases[] = {
        {"README.TXT", "readme.txt"},
        {"", ""},
        {"\xC3\x84pfel.TXT", "\xC3\xA4pfel.txt"},                                                  // Äpfel -> äpfel
        {"\xCE\xA3\xCE\x9F\xCE\xA6\xCE\x99\xCE\x91", "\xCF\x83\xCE\xBF\xCF\x86\xCE\xB9\xCE\xB1"},  // ΣΟΦΙΑ
        {"\xD0\x9F\xD1\x80\xD0\xB8", "\xD0\xBF\xD1\x80\xD0\xB8"},                                  // При -> при
        {"\xF0\x9F\x98\x80X", "\xF0\x9F\x98\x80x"},  // an emoji stays, X lowers
        // İ was left as it was: its full lower case is two code points, its simple one is i.
        {"\xC4\xB0stanbul.txt", "istanbul.txt"},
        // Simple mappings that change the length in UTF-8: Ⱥ (2 to 3 bytes), the Kelvin sign K and
        // capital sharp s ẞ (3 to 1 and 2), Ɫ (3 to 2).
        {"\xC8\xBAx\xE2\x84\xAAx\xE1\xBA\x9E\xE2\xB1\xA2", "\xE2\xB1\xA5xkx\xC3\x9F\xC9\xAB"},
        // Not UTF-8 (a Latin-1 Ä, a stray continuation byte, an overlong '/', a surrogate, a cut
        // sequence): only A to Z change, every other byte stays.
        {"\xC4PFEL", "\xC4pfel"},
        {"AB\x80\xC3\x84", "ab\x80\xC3\x84"},
        {"A\xC0\xAF", "a\xC0\xAF"},
        {"A\xED\xA0\x80", "a\xED\xA0\x80"},
        {"\xC3\x84\xC3", "\xC3\x84\xC3"},
    };
    for (auto [text, lower] : cases) {
        MakeLower(text);
        EXPECT_EQ(text, lower);
    }
    // Appending keeps what the buffer held; a text that is not UTF-8 restarts at its own start.
    std::string out = "kept:";
    AppendLower("\xC3\x84X", out);
    AppendLower("\xC4Y", out);
    EXPECT_EQ(out, "kept:\xC3\xA4x\xC4y");
}
