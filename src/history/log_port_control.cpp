// Port Control Log (events 1 to 5, 11, 19, 20): what the manager did to a
// port; the event names the action.
//
// Record, host byte order:
//    0  u32  if_index   port
//    4  u32  error      platform error code, 0 for none
#include <cstdio>

#include "history/hist_logs.h"
#include "history/hist_text.h"

namespace pcfg::history {

void port_control_log_heading() noexcept {
    puts("*************** Port Config Port Control Log ***************");
    printf("----%28s------%2s-----------%9s-------\n", " ", " ", " ");
    printf("Time%28sPortNo%2sPort Action%9sErrCode\n", " ", " ", " ");
    printf("----%28s------%2s-----------%9s-------\n", " ", " ", " ");
}

int port_control_log_line(const HistLine &l) noexcept {
    char field[kTextSize];
    const char *error = error_text(l.record.i32(4), field);
    return printf("  %-8s%-20s%-20s", port_name(l.record.u32(0)), l.action != nullptr ? l.action : "",
                  error);
}

}  // namespace pcfg::history
