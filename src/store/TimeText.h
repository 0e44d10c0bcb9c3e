#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// The time text of a file time: local time as "dd/mm/yyyy HH:MM:SS" (the "%d/%m/%Y %X" form of the
// C locale, whatever the user's locale). Empty when the time has no local calendar time.
// Appends to out and returns false (appending nothing) when it fails.
bool AppendTimeText(std::int64_t secondsSinceEpoch, std::string& out);
std::string TimeText(std::int64_t secondsSinceEpoch);
// A time text kept as a number: the local calendar seconds that ParseTimeText reads back from it
// (8 bytes where the text takes 19 and its length). Civil: civil is set, and FormatCivilTime writes
// the very text AppendTimeText writes. Text: a leap second or a year beyond four digits, which only
// AppendTimeText writes. None: no local calendar time, an empty text.
enum class LocalTimeKind { None, Civil, Text };
LocalTimeKind LocalCivilTime(std::int64_t secondsSinceEpoch, std::int64_t& civil);
// Writes the time text of a Civil value into buf (at least 32 bytes) and returns its length.
std::size_t FormatCivilTime(std::int64_t civil, char* buf);
// Reads the zone (TZ) afresh and forgets the offsets cached for the texts above. A scan calls it
// once at its start, so a zone changed between scans is followed without a test per time.
void RefreshTimeZone();
// Reads a time text back as a point in time comparable with others (local civil time in seconds);
// nothing when the text is not a time text.
std::optional<std::int64_t> ParseTimeText(std::string_view text);
