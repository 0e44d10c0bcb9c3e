#pragma once
#include <cstdint>
#include <optional>
#include <string>

// The time text of a file time: local time as "dd/mm/yyyy HH:MM:SS" (the "%d/%m/%Y %X" form of the
// C locale, whatever the user's locale). Empty when the time has no local calendar time.
// Appends to out and returns false (appending nothing) when it fails.
bool AppendTimeText(std::int64_t secondsSinceEpoch, std::string& out);
std::string TimeText(std::int64_t secondsSinceEpoch);
// Reads the zone (TZ) afresh and forgets the offsets cached for the texts above. A scan calls it
// once at its start, so a zone changed between scans is followed without a test per time.
void RefreshTimeZone();
// Reads a time text back as a point in time comparable with others (local civil time in seconds);
// nothing when the text is not a time text.
std::optional<std::int64_t> ParseTimeText(std::string_view text);
