// Serdes Control Log (events 16, 17, 18): the manager switching a port's
// serdes on or off; the record, not the event, names the action.
//
// Record, host byte order:
//    0  u32  if_index   port
//    4  u8   action     1 enable, 2 disable
//    8  u32  error      0 for none, a negative platform error code otherwise
#include <array>

#include "history/hist_logs.h"
#include "history/hist_text.h"

namespace pcfg::history {

using namespace pcfg::out;

namespace {

// Actions 1 and 2.
constexpr std::array<const char *, 2> kActions{"Enable", "Disable"};

const char *action_text(uint8_t action) {
    return action >= 1 && action <= kActions.size() ? kActions[action - 1u] : "Unrecognized";
}

constexpr Field kPort = field<"port", Type::Str>("  %-8s");
constexpr Field kAction = field<"action", Type::NamedInt>("%-20s");
constexpr Field kError = field<"err_code", Type::NamedInt>("%-20s");

}  // namespace

void serdes_log_heading(Writer &w) noexcept {
    w.line("*************** Port Config Serdes Control Log ***************");
    w.line("----                            ------                  -----------         -------");
    w.line("Time                            PortNo                  Port Action         ErrCode");
    w.line("----                            ------                  -----------         -------");
}

int serdes_log_line(const HistLine &l, Writer &w) noexcept {
    char field[kTextSize];
    const uint8_t action = l.record.u8(4);
    const int32_t code = l.record.i32(8);
    const char *error = serdes_error_text(code, field);
    Count n;
    n += print_port(w, kPort, l.record.u32(0));
    n += w.named(kAction, action_text(action), action);
    n += print_error(w, kError, code, error);
    return n.n;
}

}  // namespace pcfg::history
