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

namespace {
constexpr size_t kOpcodeTextSize = 12;
}  // namespace

void mts_log_heading() noexcept {
    // puts adds a second newline: an empty line follows the title.
    puts("********** Port Config MTS Event Log **********\n");
    printf("----%28s------%4s------%4s------\n", " ", " ", " ");
    printf("Time%28sAction%4sRR_tkn%4sOpcode\n", " ", " ", " ");
    printf("----%28s------%4s------%4s------\n", " ", " ", " ");
}

int mts_log_line(const HistLine &l) noexcept {
    const uint32_t opcode = l.record.u32(0);
    const char *name = mts_opc_name_get(opcode);
    char number[kOpcodeTextSize];
    if (name == nullptr) {  // an opcode without a name shows as its number
        snprintf(number, sizeof number, "%u", static_cast<unsigned>(opcode));
        name = number;
    }
    return printf("  %8s  %-8x  %-s", l.action != nullptr ? l.action : "",
                  static_cast<unsigned>(l.record.u32(4)), name);
}

}  // namespace pcfg::history
