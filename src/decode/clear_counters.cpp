// Clear port counters, opcode 409 (show_clear_port_counters_handler).
//
// Payload (big-endian, packed):
//   0  u8  aggr    counter set: 0 aggregate, 1 current
//   1  u8  count   interface indexes that follow (NoOfCntrs)
//   2  count x u32 if_index list
#include <cstdio>

#include "decode/decode_common.h"

using pcfg::BeReader;
using namespace pcfg::decode;

// The list stands on one indented line; indexes the port map does not know
// are left out.
extern "C" void show_clear_port_counters_handler(const pcfg_logged_msg_t *msg) noexcept {
    BeReader p = open_logged_msg(msg).payload;
    if (!has_fixed_part(p, 2)) return;
    const uint8_t aggr = p.u8();
    const uint8_t count = p.u8();
    printf("%sAggr:%s NoOfCntrs:%d\n", pcfg_show_indent, aggr_name(aggr), count);
    printf("%s", pcfg_show_indent);
    for (int i = 0; i < count; ++i) {
        if (!p.has(4)) {
            printf("\n");
            print_invalid_message();
            return;
        }
        const uint32_t if_index = p.u32();
        if (const auto port = port_of(if_index))
            printf(" if_index:0x%x port:%d ", static_cast<unsigned>(if_index),
                   static_cast<int32_t>(*port));
    }
    printf("\n");
}
