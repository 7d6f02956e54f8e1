// Event Log (event 12): a text the manager wrote down.
//
// Record: a zero-terminated text, printed unchanged.
#include "history/hist_logs.h"

namespace pcfg::history {

using namespace pcfg::out;

namespace {
constexpr Field kText = field<"text", Type::Str>("\n%s\n\n");  // after "Timestamp: " and the time column
}  // namespace

void event_log_heading(Writer &w) noexcept {
    // An empty line follows the title.
    w.line("*************** Port Config Event Log ***************\n");
}

int event_log_line(const HistLine &l, Writer &w) noexcept {
    return w.str(kText, l.raw != nullptr ? static_cast<const char *>(l.raw) : "");
}

}  // namespace pcfg::history
