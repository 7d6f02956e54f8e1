// Single-port queries: SFP diagnostic information, opcode 425
// (show_get_sfp_diag_info_handler), and port capabilities, opcode 394
// (show_get_port_capabilities_handler).
//
// SFP diagnostic information payload (big-endian), 4 bytes:
//   0  u32 if_index
// Port capabilities payload (big-endian, packed), 6 bytes:
//   0  2 bytes not read
//   2  u32 if_index
#include <cstdio>

#include "decode/decode_common.h"

using pcfg::BeReader;
using namespace pcfg::decode;

// Deepens the indent to 7 spaces and leaves it so for whatever follows.
extern "C" void show_get_sfp_diag_info_handler(const pcfg_logged_msg_t *msg) noexcept {
    BeReader p = open_logged_msg(msg).payload;
    if (!has_fixed_part(p, 4)) return;
    const uint32_t if_index = p.u32();
    set_indent(7);
    printf("%sif_index:0x%x\n", pcfg_show_indent, static_cast<unsigned>(if_index));
}

extern "C" void show_get_port_capabilities_handler(const pcfg_logged_msg_t *msg) noexcept {
    BeReader p = open_logged_msg(msg).payload;
    if (!has_fixed_part(p, 6)) return;
    p.skip(2);
    const uint32_t if_index = p.u32();
    if (const auto port = port_of(if_index))
        printf("%sif_index:%x port:%d\n", pcfg_show_indent, static_cast<unsigned>(if_index),
               static_cast<int32_t>(*port));
    else
        printf("%sif_index:%x\n", pcfg_show_indent, static_cast<unsigned>(if_index));
}
