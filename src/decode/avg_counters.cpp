// Average counters, opcode 3119 (show_get_avg_counters_handler).
//
// Payload (big-endian, packed), 8 bytes:
//   0  u32 if_index
//   4  u32 flags
#include <cstdio>

#include "decode/decode_common.h"

using pcfg::BeReader;
using namespace pcfg::decode;

extern "C" void show_get_avg_counters_handler(const pcfg_logged_msg_t *msg) noexcept {
    BeReader p = open_logged_msg(msg).payload;
    if (!has_fixed_part(p, 8)) return;
    const uint32_t if_index = p.u32();
    const uint32_t flags = p.u32();
    printf("%sif_index:0x%x flags:0x%x", pcfg_show_indent, static_cast<unsigned>(if_index),
           static_cast<unsigned>(flags));
    if (const auto port = port_of(if_index)) printf(" port:%d", static_cast<int32_t>(*port));
    printf("\n");
}
