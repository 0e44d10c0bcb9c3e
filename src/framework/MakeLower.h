#pragma once
#include <string>
#include <string_view>

// The lower case of a byte string, as the search compares names. A text that is valid UTF-8 has
// every letter with a simple lower-case mapping lowered (Ä to ä, Σ to σ); any other text has only
// A to Z lowered and keeps its other bytes, so a name in another encoding still matches by its
// ASCII letters.
void AppendLower(std::string_view text, std::string& out);
// Lowers the text in place.
void MakeLower(std::string& text);
