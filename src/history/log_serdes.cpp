// Serdes Control Log (events 16, 17, 18): the manager switching a port's
// serdes on or off; the record, not the event, names the action.
//
// Record, host byte order:
//    0  u32  if_index   port
//    4  u8   action     1 enable, 2 disable
//    8  u32  error      0 for none, a negative platform error code otherwise
#include <array>
#include <cstdio>

#include "history/hist_logs.h"
#include "history/hist_text.h"

namespace pcfg::history {

namespace {

// Actions 1 and 2.
constexpr std::array<const char *, 2> kActions{"Enable", "Disable"};

const char *action_text(uint8_t action) {
    return action >= 1 && action <= kActions.size() ? kActions[action - 1u] : "Unrecognized";
}

}  // namespace

void serdes_log_heading() noexcept {
    puts("*************** Port Config Serdes Control Log ***************");
    printf("----%28s------%18s-----------%9s-------\n", " ", " ", " ");
    printf("Time%28sPortNo%18sPort Action%9sErrCode\n", " ", " ", " ");
    printf("----%28s------%18s-----------%9s-------\n", " ", " ", " ");
}

int serdes_log_line(const HistLine &l) noexcept {
    char field[kTextSize];
    const char *error = serdes_error_text(l.record.i32(8), field);
    return printf("  %-8s%-20s%-20s", port_name(l.record.u32(0)), action_text(l.record.u8(4)),
                  error);
}

}  // namespace pcfg::history
