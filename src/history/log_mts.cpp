// MTS Event Log (events 13, 14): transport messages the manager received or
// sent.
//
// Record, host byte order:
//    0  u32  opcode     transport opcode, named by the transport
//    4  u32  rr_token   request/response token of the message
#include <cstdio>

#include "history/hist_logs.h"
#include "pcfg_platform.h"

namespace pcfg::history {

using namespace pcfg::out;

namespace {
constexpr size_t kOpcodeTextSize = 12;
constexpr Field kAction = field<"action", Type::Str>("  %8s  ");
constexpr Field kToken = field<"rr_token", Type::Uint>("%-8x  ");
constexpr Field kOpcode = field<"opcode", Type::NamedUint>("%-s");
}  // namespace

void mts_log_heading(Writer &w) noexcept {
    // An empty line follows the title.
    w.line("********** Port Config MTS Event Log **********\n");
    w.line("----                            ------    ------    ------");
    w.line("Time                            Action    RR_tkn    Opcode");
    w.line("----                            ------    ------    ------");
}

int mts_log_line(const HistLine &l, Writer &w) noexcept {
    const uint32_t opcode = l.record.u32(0);
    const char *name = mts_opc_name_get(opcode);
    char number[kOpcodeTextSize];
    if (name == nullptr) {  // an opcode without a name shows as its number
        snprintf(number, sizeof number, "%u", static_cast<unsigned>(opcode));
        name = number;
    }
    Count n;
    n += w.str(kAction, l.action != nullptr ? l.action : "");
    n += w.put(kToken, l.record.u32(4));
    n += w.named(kOpcode, name, opcode);
    return n.n;
}

}  // namespace pcfg::history
