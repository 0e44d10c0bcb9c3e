#include "store/TimeText.h"

#include <atomic>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

// A scan formats three times per file, and localtime_r costs about a microsecond (a tenth of a
// file's whole scan). So the offset from UTC is cached per UTC day once both ends of the day have
// shown the same offset (no zone changes its offset twice within a day), and on the few days that
// hold a change, per quarter hour (every zone's changes fall on a quarter hour; one that does not,
// such as the end of a local mean time, gives a bucket whose ends differ, and so is never cached).
// The calendar is then plain arithmetic. File times spread over years: 4096 day slots hold eleven
// years of them without a clash.
// A zone with leap seconds (the right/ zones) counts them in its time values, so t + tm_gmtoff is
// off by all the leap seconds so far (27 s since 2017): a bucket end whose localtime_r disagrees
// with the arithmetic marks the zone, and every time in it takes localtime_r.
enum : std::uint8_t { kEmpty, kConstant, kMixed };

struct OffsetSlots {
    std::int64_t span;  // seconds per bucket
    std::size_t mask;   // slots - 1
    std::vector<std::int64_t> bucket;
    std::vector<std::int32_t> offset;
    std::vector<std::uint8_t> state;  // kEmpty, kConstant (offset holds it) or kMixed
    OffsetSlots(std::int64_t seconds, std::size_t slots)
        : span(seconds), mask(slots - 1), bucket(slots), offset(slots), state(slots) {}
};

std::atomic<unsigned> g_nZoneGeneration{0};

struct OffsetCache {
    unsigned generation = 0;
    bool bLeapZone = false;  // localtime_r disagreed with t + tm_gmtoff: no arithmetic at all
    OffsetSlots days{86400, 4096};
    OffsetSlots quarters{900, 1024};
};
thread_local OffsetCache t_cache;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// Days since 1970-01-01 to the proleptic Gregorian date, and back (H. Hinnant's algorithms).
void CivilFromDays(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2);
}

std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

enum class Offset { kNone, kArithmetic, kLeap };

// The offset from UTC at t, and whether t + offset gives the calendar time localtime_r gives.
Offset UtcOffset(std::int64_t t, long& offset) {
    const time_t tt = static_cast<time_t>(t);
    struct tm tm;
    if (!localtime_r(&tt, &tm)) return Offset::kNone;
    offset = tm.tm_gmtoff;
    const std::int64_t local = DaysFromCivil(static_cast<std::int64_t>(tm.tm_year) + 1900,
                                             static_cast<unsigned>(tm.tm_mon + 1), static_cast<unsigned>(tm.tm_mday)) *
                                   86400 +
                               tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec;
    // A leap second itself (second 60) reads as the next day's first second in the sum above.
    return local == t + offset && tm.tm_sec < 60 ? Offset::kArithmetic : Offset::kLeap;
}

char* Put2(char* p, unsigned v) {
    p[0] = static_cast<char>('0' + v / 10);
    p[1] = static_cast<char>('0' + v % 10);
    return p + 2;
}

// "dd/mm/yyyy HH:MM:SS" into buf (at least 32 bytes); returns the length.
std::size_t Format(char* buf, std::int64_t year, unsigned month, unsigned day, unsigned hour, unsigned minute,
                   unsigned second) {
    if (year < 0 || year > 9999)
        return static_cast<std::size_t>(std::snprintf(buf, 32, "%02u/%02u/%lld %02u:%02u:%02u", day, month,
                                                      static_cast<long long>(year), hour, minute, second));
    char* p = Put2(buf, day);
    *p++ = '/';
    p = Put2(p, month);
    *p++ = '/';
    p = Put2(p, static_cast<unsigned>(year / 100));
    p = Put2(p, static_cast<unsigned>(year % 100));
    *p++ = ' ';
    p = Put2(p, hour);
    *p++ = ':';
    p = Put2(p, minute);
    *p++ = ':';
    p = Put2(p, second);
    return static_cast<std::size_t>(p - buf);
}

// The offset of t from the slots, filling its slot when both ends of t's bucket agree.
bool CachedOffset(OffsetSlots& slots, std::int64_t t, std::int32_t& offset, bool& bLeapZone) {
    const std::int64_t bucket = FloorDiv(t, slots.span);
    const std::size_t slot = static_cast<std::size_t>(bucket) & slots.mask;
    if (slots.state[slot] == kEmpty || slots.bucket[slot] != bucket) {
        long first = 0, last = 0;
        const Offset a = UtcOffset(bucket * slots.span, first);
        const Offset b = a == Offset::kNone ? a : UtcOffset(bucket * slots.span + slots.span - 1, last);
        if (a == Offset::kLeap || b == Offset::kLeap) bLeapZone = true;
        if (a != Offset::kArithmetic || b != Offset::kArithmetic) return false;
        slots.bucket[slot] = bucket;
        slots.state[slot] = first == last ? kConstant : kMixed;
        slots.offset[slot] = static_cast<std::int32_t>(first);
    }
    offset = slots.offset[slot];
    return slots.state[slot] == kConstant;
}

struct Fields {
    std::int64_t year;
    unsigned month, day, hour, minute, second;
};

bool SlowFields(std::int64_t t, Fields& f) {
    const time_t tt = static_cast<time_t>(t);
    struct tm tm;
    if (static_cast<std::int64_t>(tt) != t || !localtime_r(&tt, &tm)) return false;
    f = {static_cast<std::int64_t>(tm.tm_year) + 1900,
         static_cast<unsigned>(tm.tm_mon + 1),
         static_cast<unsigned>(tm.tm_mday),
         static_cast<unsigned>(tm.tm_hour),
         static_cast<unsigned>(tm.tm_min),
         static_cast<unsigned>(tm.tm_sec)};
    return true;
}

void FieldsFromLocal(std::int64_t local, Fields& f) {
    const std::int64_t days = FloorDiv(local, 86400);
    const auto secondOfDay = static_cast<unsigned>(local - days * 86400);
    CivilFromDays(days, f.year, f.month, f.day);
    f.hour = secondOfDay / 3600;
    f.minute = secondOfDay / 60 % 60;
    f.second = secondOfDay % 60;
}

// The local calendar time of t: as seconds counted from 1970-01-01 00:00 local time where the
// cached offset gives it, else as the fields localtime_r gives; None when there is none.
enum class Local { None, Seconds, Fields };

Local LocalTime(std::int64_t t, std::int64_t& local, Fields& f) {
    // Beyond about 30,000 years the calendar arithmetic below is not trusted.
    constexpr std::int64_t kRange = std::int64_t{1} << 40;
    if (t <= -kRange || t >= kRange) return SlowFields(t, f) ? Local::Fields : Local::None;

    OffsetCache& cache = t_cache;
    const unsigned generation = g_nZoneGeneration.load(std::memory_order_relaxed);
    if (cache.generation != generation) {
        cache.days.state.assign(cache.days.state.size(), kEmpty);
        cache.quarters.state.assign(cache.quarters.state.size(), kEmpty);
        cache.generation = generation;
        cache.bLeapZone = false;
    }
    std::int32_t offset;
    if (cache.bLeapZone || (!CachedOffset(cache.days, t, offset, cache.bLeapZone) &&
                            !CachedOffset(cache.quarters, t, offset, cache.bLeapZone)))
        return SlowFields(t, f) ? Local::Fields : Local::None;
    local = t + offset;
    return Local::Seconds;
}

bool LocalFields(std::int64_t t, Fields& f) {
    std::int64_t local = 0;
    switch (LocalTime(t, local, f)) {
    case Local::None: return false;
    case Local::Seconds: FieldsFromLocal(local, f); return true;
    case Local::Fields: return true;
    }
    return false;
}

std::size_t Format(char* buf, const Fields& f) {
    return Format(buf, f.year, f.month, f.day, f.hour, f.minute, f.second);
}

// Reads exactly `digits` decimal digits.
bool ReadDigits(std::string_view text, std::size_t& pos, std::size_t digits, unsigned& value) {
    if (pos + digits > text.size()) return false;
    value = 0;
    for (std::size_t i = 0; i < digits; ++i) {
        const char c = text[pos + i];
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    pos += digits;
    return true;
}

bool Expect(std::string_view text, std::size_t& pos, char c) {
    if (pos >= text.size() || text[pos] != c) return false;
    ++pos;
    return true;
}

}  // namespace

void RefreshTimeZone() {
    tzset();
    g_nZoneGeneration.fetch_add(1, std::memory_order_relaxed);
}

bool AppendTimeText(std::int64_t secondsSinceEpoch, std::string& out) {
    Fields f;
    if (!LocalFields(secondsSinceEpoch, f)) return false;
    char buf[48];
    out.append(buf, Format(buf, f));
    return true;
}

LocalTimeKind LocalCivilTime(std::int64_t secondsSinceEpoch, std::int64_t& civil) {
    // Years 0 to 9999 in local seconds; a leap second (second 60) and a year of other than four
    // digits have no number here.
    static const std::int64_t kFirst = DaysFromCivil(0, 1, 1) * 86400, kEnd = DaysFromCivil(10000, 1, 1) * 86400;
    Fields f;
    switch (LocalTime(secondsSinceEpoch, civil, f)) {
    case Local::None: return LocalTimeKind::None;
    case Local::Seconds: return civil >= kFirst && civil < kEnd ? LocalTimeKind::Civil : LocalTimeKind::Text;
    case Local::Fields:
        if (f.year < 0 || f.year > 9999 || f.second > 59) return LocalTimeKind::Text;
        civil = DaysFromCivil(f.year, f.month, f.day) * 86400 + f.hour * 3600 + f.minute * 60 + f.second;
        return LocalTimeKind::Civil;
    }
    return LocalTimeKind::None;
}

std::size_t FormatCivilTime(std::int64_t civil, char* buf) {
    Fields f;
    FieldsFromLocal(civil, f);
    return Format(buf, f);
}

std::string TimeText(std::int64_t secondsSinceEpoch) {
    std::string text;
    AppendTimeText(secondsSinceEpoch, text);
    return text;
}

std::optional<std::int64_t> ParseTimeText(std::string_view text) {
    std::size_t pos = 0;
    unsigned day, month, year, hour, minute, second;
    if (!ReadDigits(text, pos, 2, day) || !Expect(text, pos, '/') || !ReadDigits(text, pos, 2, month) ||
        !Expect(text, pos, '/') || !ReadDigits(text, pos, 4, year) || !Expect(text, pos, ' ') ||
        !ReadDigits(text, pos, 2, hour) || !Expect(text, pos, ':') || !ReadDigits(text, pos, 2, minute) ||
        !Expect(text, pos, ':') || !ReadDigits(text, pos, 2, second) || pos != text.size())
        return std::nullopt;
    static constexpr unsigned kDaysIn[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (month < 1 || month > 12 || day < 1 || day > kDaysIn[month - 1] || (month == 2 && day == 29 && !leap) ||
        hour > 23 || minute > 59 || second > 60)
        return std::nullopt;
    return DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
}
