// Port Control Log (events 1 to 5, 11, 19, 20): what the manager did to a
// port; the event names the action.
//
// Record, host byte order:
//    0  u32  if_index   port
//    4  u32  error      platform error code, 0 for none
#include "history/hist_logs.h"
#include "history/hist_text.h"

namespace pcfg::history {

using namespace pcfg::out;

namespace {
constexpr Field kPort = field<"port", Type::Str>("  %-8s");
constexpr Field kAction = field<"action", Type::Str>("%-20s");
constexpr Field kError = field<"err_code", Type::NamedInt>("%-20s");
}  // namespace

void port_control_log_heading(Writer &w) noexcept {
    w.line("*************** Port Config Port Control Log ***************");
    w.line("----                            ------  -----------         -------");
    w.line("Time                            PortNo  Port Action         ErrCode");
    w.line("----                            ------  -----------         -------");
}

int port_control_log_line(const HistLine &l, Writer &w) noexcept {
    char field[kTextSize];
    const int32_t code = l.record.i32(4);
    const char *error = error_text(code, field);
    Count n;
    n += print_port(w, kPort, l.record.u32(0));
    n += w.str(kAction, l.action != nullptr ? l.action : "");
    n += print_error(w, kError, code, error);
    return n.n;
}

}  // namespace pcfg::history
