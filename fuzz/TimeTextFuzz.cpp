// The time text: any bytes given to the parser are read within their bounds, and every text the
// formatter writes for a year from 0 to 9999 parses back to the local civil second it stands for.
#include "store/TimeText.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>

namespace {

// Zones with half-hour and quarter-hour offsets, both hemispheres' summer times and none.
constexpr const char* kZones[] = {"UTC",
                                  "Europe/Berlin",
                                  "America/St_Johns",
                                  "Asia/Kathmandu",
                                  "Australia/Lord_Howe",
                                  "Pacific/Chatham",
                                  "America/Sao_Paulo"};
std::size_t g_zone = ~std::size_t{0};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The text on a heap block of exactly its size, so a read past it is caught.
    auto copy = std::make_unique<char[]>(size ? size : 1);
    if (size) std::memcpy(copy.get(), data, size);
    (void)ParseTimeText(std::string_view(copy.get(), size));

    if (size < 9) return 0;
    const std::size_t zone = data[0] % std::size(kZones);
    if (zone != g_zone) {
        setenv("TZ", kZones[zone], 1);
        RefreshTimeZone();
        g_zone = zone;
    }
    std::int64_t t;
    std::memcpy(&t, data + 1, sizeof t);
    t %= std::int64_t{400} * 366 * 86400 * 25;  // mostly within years 0..9999, some beyond
    const std::string text = TimeText(t);
    const time_t tt = static_cast<time_t>(t);
    struct tm tm;
    if (!localtime_r(&tt, &tm)) {
        if (!text.empty()) std::abort();  // a text for a time with no calendar time
        return 0;
    }
    if (tm.tm_year + 1900 < 0 || tm.tm_year + 1900 > 9999) return 0;  // written, but not four digits
    const std::optional<std::int64_t> back = ParseTimeText(text);
    // timegm of localtime_r's fields is the local civil second, computed by the C library.
    if (!back || *back != static_cast<std::int64_t>(timegm(&tm))) std::abort();
    return 0;
}
