// Time column of a history line.
//
// The time text is ctime's text of the record's seconds ("Www Mmm dd
// hh:mm:ss yyyy\n"), copied at once out of ctime's shared buffer, kept to
// its first 24 characters (no newline) and cut past the weekday: month,
// day, time of day and year in 20 characters, padded to 22 columns, then
// the second timestamp word as eight digits. Month names and time zone are
// those of the C library's ctime; the formatter only cuts the text. JSON
// has the time in UTC and the seconds.
#include <cstdio>
#include <cstring>
#include <ctime>

#include "history/hist_text.h"

namespace pcfg::history {

using namespace pcfg::out;

namespace {
constexpr Field kTime = field<"time", Type::Time>("%-22s");
constexpr Field kSecond = field<"second_word", Type::Long>("%08lu");
}  // namespace

int print_time_column(Writer &w, const char *lead, uint32_t seconds,
                      unsigned long second) noexcept {
    // Through uint32_t into a 64-bit time_t (32-bit targets are built with
    // one): the card and a 64-bit host agree on every 32-bit seconds value.
    const time_t when = static_cast<time_t>(seconds);
    char text[26] = {};  // the time text: ctime's 25 characters and a terminator
    const char *date = "";
    if (const char *c = ctime(&when); c != nullptr) {
        strncpy(text, c, 24);
        date = strlen(text) > 4 ? text + 4 : "";
    }
    Count n;
    if (lead[0] != '\0') n += w.text(lead);
    n += w.time(kTime, seconds, date);
    n += w.put(kSecond, second);
    return n.n;
}

}  // namespace pcfg::history
