// Event Log (event 12): a text the manager wrote down.
//
// Record: a zero-terminated text, printed unchanged.
#include <cstdio>

#include "history/hist_logs.h"

namespace pcfg::history {

void event_log_heading() noexcept {
    // puts adds a second newline: an empty line follows the title.
    puts("*************** Port Config Event Log ***************\n");
}

int event_log_line(const HistLine &l) noexcept {
    const char *text = l.raw != nullptr ? static_cast<const char *>(l.raw) : "";
    return printf("\n%s\n\n", text);  // after "Timestamp: " and the time column
}

}  // namespace pcfg::history
