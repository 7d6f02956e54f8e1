// Time column of a history line.
//
// The column shows the record's time as the C library's date text shows it
// ("Www Mmm dd hh:mm:ss yyyy") without the weekday, padded to 22 characters,
// then the second timestamp word as eight digits. The date is formatted by
// the same printf that prints the column: building the text in a buffer
// first and printing the buffer again would format every line twice.
// localtime_r does not read the time zone again on each call; the formatter
// reads it once per display, with the first record (time_zone_changed).
#include <array>
#include <cstdio>
#include <ctime>

#include "history/hist_text.h"

namespace pcfg::history {

namespace {
// The C library's date text names months in English whatever the locale.
constexpr std::array<const char *, 12> kMonths{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
}  // namespace

void time_zone_changed() noexcept { tzset(); }

int print_time_column(const char *lead, uint32_t seconds, unsigned long second) noexcept {
    // Through uint32_t: the 32-bit card and a 64-bit host agree below 2^31.
    const time_t when = static_cast<time_t>(seconds);
    struct tm t {};
    if (localtime_r(&when, &t) == nullptr || t.tm_mon < 0 || t.tm_mon >= 12)
        return printf("%s%-22s%08lu", lead, "", second);
    // "Mmm dd hh:mm:ss yyyy" in 22 columns: the year takes the last six.
    return printf("%s%.3s%3d %.2d:%.2d:%.2d %-6d%08lu", lead, kMonths[static_cast<size_t>(t.tm_mon)],
                  t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, t.tm_year + 1900, second);
}

}  // namespace pcfg::history
