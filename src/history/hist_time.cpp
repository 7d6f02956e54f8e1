// Time column of a history line.
//
// ctime gives "Www Mmm dd hh:mm:ss yyyy\n" (local time); the column keeps
// "Mmm dd hh:mm:ss yyyy". ctime's result is a shared static buffer, so it is
// copied at once.
#include <cstdio>
#include <cstring>
#include <ctime>

#include "history/hist_text.h"

namespace pcfg::history {

namespace {
constexpr size_t kKeep = 24;     // date text without its newline
constexpr size_t kWeekday = 4;   // "Www "
constexpr int kColumnText = 20;  // what is left
}  // namespace

void time_text(uint32_t seconds, std::span<char, kTimeTextSize> out) noexcept {
    // Through uint32_t: the 32-bit card and a 64-bit host agree below 2^31.
    const time_t when = static_cast<time_t>(seconds);
    const char *date = ctime(&when);
    if (date == nullptr) {
        snprintf(out.data(), out.size(), "%*s", kColumnText, "");
        return;
    }
    char copy[kTimeTextSize] = {};
    size_t n = strnlen(date, sizeof copy - 1);
    std::memcpy(copy, date, n);
    if (n > kKeep) n = kKeep;
    copy[n] = '\0';
    snprintf(out.data(), out.size(), "%s", n > kWeekday ? copy + kWeekday : "");
}

}  // namespace pcfg::history
