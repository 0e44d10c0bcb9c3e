#include "store/TimeText.h"
#include "store/TextColumn.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <clocale>
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

// The reference: localtime_r for every time, and the C locale's form of "%d/%m/%Y %X".
std::string Reference(std::int64_t t) {
    const time_t tt = static_cast<time_t>(t);
    struct tm tm;
    if (!localtime_r(&tt, &tm)) return {};
    char buf[64];
    std::snprintf(buf, sizeof buf, "%02d/%02d/%04d %02d:%02d:%02d", tm.tm_mday, tm.tm_mon + 1, tm.tm_year + 1900,
                  tm.tm_hour, tm.tm_min, tm.tm_sec);
    return buf;
}

TEST(TimeTextTest, DayMonthYearIn24HoursOfLocalTimeWhateverTheLocale) {
    ScopedZone zone("Europe/Berlin");
    // The process locale, as Qt sets it from the environment in the real program, until the end.
    const std::shared_ptr<void> restore(
        nullptr, [old = std::string(std::setlocale(LC_ALL, nullptr))](void*) { std::setlocale(LC_ALL, old.c_str()); });
    if (!std::setlocale(LC_ALL, "en_US.UTF-8"))
        GTEST_SKIP() << "locale en_US.UTF-8 is missing (scripts/test.sh makes it)";
    // Under this locale %X is "09:13:20 PM"-like; the time text must not follow it.
    char x[64];
    const time_t evening = 1700000000;
    struct tm tm;
    localtime_r(&evening, &tm);
    std::strftime(x, sizeof x, "%X", &tm);
    ASSERT_STRNE(x, "23:13:20") << "this locale's %X does not differ from C's, so it proves nothing";
    ASSERT_EQ(TimeText(0), "01/01/1970 01:00:00") << "zone Europe/Berlin not in effect (tzdata missing?)";

    const struct {
        std::int64_t t;
        const char* text;
    } cases[] = {
        {1700000000, "14/11/2023 23:13:20"},    // "11:13:20 PM" in this locale
        {-1, "01/01/1970 00:59:59"},            // before the epoch
        {253402300799, "01/01/10000 00:59:59"}  // the year after 9999 has five digits, as strftime writes
    };
    for (const auto& c : cases) {
        std::string appended = "x";
        EXPECT_TRUE(AppendTimeText(c.t, appended));
        EXPECT_EQ(appended, std::string("x") + c.text);
    }
    // A time with no calendar time gives nothing, and appends nothing.
    std::string out = "kept";
    EXPECT_FALSE(AppendTimeText(INT64_MAX, out) || AppendTimeText(INT64_MIN, out));
    EXPECT_EQ(out + TimeText(INT64_MAX), "kept");
}

TEST(TimeTextTest, CachedOffsetsAgreeWithLocaltimeEverywhere) {
    // Zones with half-hour daylight saving, 45-minute offsets, and Berlin's local mean time of
    // +0:53:28 (whose end in 1893 falls on no quarter hour). The right/ zones count leap seconds in
    // their time values: t + tm_gmtoff put their texts 27 s off, and a leap second's text is :60.
    constexpr std::int64_t kLeapSecond2016 = 1483228826;  // 23:59:60 UTC in the right/ zones
    for (const char* name : {"Europe/Berlin", "Australia/Lord_Howe", "Asia/Kathmandu", "America/St_Johns", "UTC",
                             "right/UTC", "right/Europe/Berlin"}) {
        ScopedZone zone(name);
        if (std::string_view(name).starts_with("right/")) {
            ASSERT_TRUE(Reference(kLeapSecond2016).ends_with(":60")) << name << " has no leap seconds (tzdata?)";
        }
        std::mt19937_64 random(42);
        std::uniform_int_distribution<std::int64_t> anywhen(-5000000000LL, 5000000000LL);
        for (int i = 0; i < 20000; ++i) {
            const std::int64_t t = anywhen(random);
            ASSERT_EQ(TimeText(t), Reference(t)) << name << " " << t;
        }
        // Every second around Berlin's 1893 change and around a leap second, and a sweep over a
        // year of changes in steps of 419 s.
        for (std::int64_t around : {std::int64_t{-2422054408}, kLeapSecond2016}) {
            for (std::int64_t t = around - 4000; t < around + 4000; ++t) {
                ASSERT_EQ(TimeText(t), Reference(t)) << name << " " << t;
            }
        }
        for (std::int64_t t = 1704067200; t < 1735689600; t += 419) {
            ASSERT_EQ(TimeText(t), Reference(t)) << name << " " << t;
        }
    }
}

TEST(TimeTextTest, ALeapSecondKeptInATimeColumnReadsBackAsSecond60) {
    // A time column keeps calendar seconds as numbers; second 60 has no number of its own (it would
    // read back as the next minute's 00), so it must stay a text.
    ScopedZone zone("right/UTC");
    constexpr std::int64_t kLeapSecond2016 = 1483228826;
    ASSERT_EQ(Reference(kLeapSecond2016), "31/12/2016 23:59:60") << "right/UTC has no leap seconds (tzdata?)";
    CTextColumn column;
    for (std::int64_t t = kLeapSecond2016 - 1; t <= kLeapSecond2016 + 1; ++t) column.AddTime(true, t);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(column[i], Reference(kLeapSecond2016 - 1 + static_cast<std::int64_t>(i)));
}

TEST(TimeTextTest, ParseReadsBackComparableTimes) {
    ScopedZone zone("Europe/Berlin");
    // Texts read back in the order of the times they show, whatever their string order.
    const std::int64_t times[] = {-86400 * 365, 0, 951825600, 1700000000, 1711846799, 1720000000, 4102444800};
    std::optional<std::int64_t> previous;
    for (std::int64_t t : times) {
        const std::optional<std::int64_t> parsed = ParseTimeText(TimeText(t));
        ASSERT_TRUE(parsed.has_value()) << TimeText(t);
        if (previous) {
            EXPECT_LT(*previous, *parsed);
        }
        previous = parsed;
    }
    // Local civil time: one hour of civil time is 3600, a day 86400.
    EXPECT_EQ(*ParseTimeText("02/01/1970 00:00:00") - *ParseTimeText("01/01/1970 00:00:00"), 86400);
    EXPECT_EQ(*ParseTimeText("01/03/2024 00:00:00") - *ParseTimeText("28/02/2024 23:00:00"), 86400 + 3600);
    EXPECT_EQ(*ParseTimeText("01/01/1970 00:00:00"), 0);

    for (const char* bad :
         {"", "1/01/2024 00:00:00", "31/02/2024 00:00:00", "29/02/2023 00:00:00", "29/02/1900 00:00:00",
          "01/13/2024 00:00:00", "00/01/2024 00:00:00", "01/01/2024 24:00:00", "01/01/2024 00:60:00",
          "01/01/2024 00:00:00 ", "01-01-2024 00:00:00", "01/01/2024", "01/01/2024 00:00:00 PM"})
        EXPECT_FALSE(ParseTimeText(bad).has_value()) << '"' << bad << '"';
}

}  // namespace
