#include "store/TimeText.h"
#include "store/TextColumn.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <chrono>
#include <clocale>
#include <cstring>
#include <cstdio>
#include <ctime>
#include <memory>
#include <random>
#include <string_view>

namespace {

// Sets the zone for the scope and makes the time texts follow it.
struct ScopedZone {
    ScopedEnv env;
    explicit ScopedZone(const char* zone) : env("TZ", zone) { RefreshTimeZone(); }
    ~ScopedZone() { RefreshTimeZone(); }
};

// The reference: localtime_r for every time, and the C locale's form of "%d/%m/%Y %X"; the local
// calendar seconds of that time in civil.
std::string Reference(std::int64_t t, std::int64_t* civil = nullptr) {
    const time_t tt = static_cast<time_t>(t);
    struct tm tm;
    if (!localtime_r(&tt, &tm)) return {};
    char buf[64];
    std::snprintf(buf, sizeof buf, "%02d/%02d/%04d %02d:%02d:%02d", tm.tm_mday, tm.tm_mon + 1, tm.tm_year + 1900,
                  tm.tm_hour, tm.tm_min, tm.tm_sec);
    if (civil) {  // by the proleptic calendar, not timegm: in the right/ zones it counts leap seconds
        const std::chrono::sys_days day{std::chrono::year(tm.tm_year + 1900) / (tm.tm_mon + 1) / tm.tm_mday};
        *civil = day.time_since_epoch().count() * 86400LL + tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec;
    }
    return buf;
}

constexpr std::int64_t kLeapSecond2016 = 1483228826;  // 23:59:60 UTC in the right/ zones

TEST(TimeTextTest, TextsAgreeWithLocaltimeAndReadBackInEveryZoneWhateverTheLocale) {
    // The process locale, as Qt sets it from the environment in the real program, until the end:
    // its %X is "11:13:20 PM"-like, which the texts must not follow.
    const std::shared_ptr<void> restore(
        nullptr, [old = std::string(std::setlocale(LC_ALL, nullptr))](void*) { std::setlocale(LC_ALL, old.c_str()); });
    if (!std::setlocale(LC_ALL, "en_US.UTF-8"))
        GTEST_SKIP() << "locale en_US.UTF-8 is missing (scripts/test.sh makes it)";
    // Zones with half-hour daylight saving, 45-minute offsets, and Berlin's local mean time of
    // +0:53:28 (whose end in 1893 falls on no quarter hour). The right/ zones count leap seconds in
    // their time values: t + tm_gmtoff put their texts 27 s off, and a leap second's text is :60.
    for (const char* name : {"Europe/Berlin", "Australia/Lord_Howe", "Asia/Kathmandu", "America/St_Johns", "UTC",
                             "right/UTC", "right/Europe/Berlin"}) {
        ScopedZone zone(name);
        if (std::string_view(name) == "Europe/Berlin") {
            ASSERT_EQ(TimeText(1700000000), "14/11/2023 23:13:20") << "zone not in effect (tzdata missing?)";
        }
        if (std::string_view(name).starts_with("right/")) {
            ASSERT_TRUE(Reference(kLeapSecond2016).ends_with(":60")) << name << " has no leap seconds (tzdata?)";
        }
        std::mt19937_64 random(42);
        std::uniform_int_distribution<std::int64_t> anywhen(-5000000000LL, 5000000000LL);
        for (int i = 0; i < 20000; ++i) {  // each read back as its local calendar seconds
            const std::int64_t t = anywhen(random);
            std::int64_t civil = 0;
            const std::string text = Reference(t, &civil);
            ASSERT_EQ(TimeText(t), text) << name << " " << t;
            ASSERT_EQ(ParseTimeText(text), civil) << text;
        }
        // Every second around Berlin's 1893 change, a leap second and the first five-digit year,
        // and a sweep over a year of changes in steps of 419 s. A time column keeps them too, as
        // calendar seconds where it can: second 60 has none (it would read back as the next
        // minute's 00), so it must stay a text.
        CTextColumn column;
        std::vector<std::string> texts;
        for (std::int64_t around : {std::int64_t{-2422054408}, kLeapSecond2016, std::int64_t{253402300800}})
            for (std::int64_t t = around - 4000; t < around + 4000; ++t) {
                texts.push_back(Reference(t));
                ASSERT_EQ(TimeText(t), texts.back()) << name << " " << t;
                column.AddTime(true, t);
            }
        for (std::size_t i = 0; i < texts.size(); ++i) ASSERT_EQ(column[i], texts[i]) << name << " " << i;
        for (std::int64_t t = 1704067200; t < 1735689600; t += 419) ASSERT_EQ(TimeText(t), Reference(t)) << name;
    }
    // A time with no calendar time gives nothing, and appends nothing; another appends.
    std::string out = "kept";
    EXPECT_FALSE(AppendTimeText(INT64_MAX, out) || AppendTimeText(INT64_MIN, out));
    EXPECT_TRUE(AppendTimeText(0, out));
    EXPECT_EQ(out + TimeText(INT64_MAX), "kept" + TimeText(0));
}

TEST(TimeTextTest, ParseRefusesAllButTimeTextsAndReadsNothingPastTheirEnd) {
    // Each text ends where readable memory ends: a read past it faults.
    const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    void* pages = mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(pages, MAP_FAILED);
    char* end = static_cast<char*>(pages) + page;
    ASSERT_EQ(mprotect(end, page, PROT_NONE), 0);
    for (const std::string_view bad :
         {"", "1/01/2024 00:00:00", "31/02/2024 00:00:00", "29/02/2023 00:00:00", "29/02/1900 00:00:00",
          "01/13/2024 00:00:00", "00/01/2024 00:00:00", "01/01/2024 24:00:00", "01/01/2024 00:60:00",
          "01/01/2024 00:00:00 ", "01-01-2024 00:00:00", "01/01/2024", "01/01/2024 00:00:0",
          "01/01/2024 00:00:00 PM"}) {
        std::memcpy(end - bad.size(), bad.data(), bad.size());
        EXPECT_FALSE(ParseTimeText({end - bad.size(), bad.size()}).has_value()) << '"' << bad << '"';
    }
    munmap(pages, 2 * page);
}

}  // namespace
