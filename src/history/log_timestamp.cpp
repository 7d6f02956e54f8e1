// Timestamp Log (events 8, 9, 10): the manager's timestamp checking.
//
// Record, host byte order (event 10 only; events 8 and 9 read nothing):
//    0  u32  value   the new timestamp value
#include <cstdio>

#include "history/hist_logs.h"
#include "history/hist_text.h"

namespace pcfg::history {

namespace {
constexpr uint16_t kUpdateValue = 10;
}  // namespace

void timestamp_log_heading() noexcept {
    puts("*************** Port Config Timestamp Log ***************");
    printf("----%28s---------%10s\n", " ", " ");
    printf("Time%28sTS Action%10s\n", " ", " ");
    printf("----%28s---------%10s\n", " ", " ");
}

int timestamp_log_line(const HistLine &l) noexcept {
    char field[kTextSize];
    const char *action = l.action != nullptr ? l.action : "";
    if (l.event == kUpdateValue) {  // the event's text is the format of the value
        snprintf(field, sizeof field, "Update TS Value to %08x",
                 static_cast<unsigned>(l.record.u32(0)));
        action = field;
    }
    return printf("  %-44s", action);
}

}  // namespace pcfg::history
