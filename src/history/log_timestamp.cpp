// Timestamp Log (events 8, 9, 10): the manager's timestamp checking.
//
// Record, host byte order (event 10 only; events 8 and 9 read nothing):
//    0  u32  value   the new timestamp value
#include <cstdio>

#include "history/hist_logs.h"
#include "history/hist_text.h"

namespace pcfg::history {

using namespace pcfg::out;

namespace {
constexpr uint16_t kUpdateValue = 10;
constexpr Field kAction = field<"action", Type::Str>("  %-44s");
constexpr Field kValue = json_only<"value", Type::Uint>();
}  // namespace

void timestamp_log_heading(Writer &w) noexcept {
    w.line("*************** Port Config Timestamp Log ***************");
    w.line("----                            ---------          ");
    w.line("Time                            TS Action          ");
    w.line("----                            ---------          ");
}

int timestamp_log_line(const HistLine &l, Writer &w) noexcept {
    char field[kTextSize];
    const char *action = l.action != nullptr ? l.action : "";
    Count n;
    if (l.event == kUpdateValue) {  // the event's text is the format of the value
        const uint32_t value = l.record.u32(0);
        snprintf(field, sizeof field, "Update TS Value to %08x", static_cast<unsigned>(value));
        action = field;
        n += w.put(kValue, value);
    }
    n += w.str(kAction, action);
    return n.n;
}

}  // namespace pcfg::history
