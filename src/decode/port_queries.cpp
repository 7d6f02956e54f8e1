// Single-port queries: SFP diagnostic information, opcode 425
// (show_get_sfp_diag_info_handler), and port capabilities, opcode 394
// (show_get_port_capabilities_handler).
//
// SFP diagnostic information payload (big-endian), 4 bytes:
//   0  u32 if_index
// Port capabilities payload (big-endian, packed), 6 bytes:
//   0  2 bytes not read
//   2  u32 if_index
#include "decode/decode_common.h"

using pcfg::BeReader;
using namespace pcfg::decode;
using namespace pcfg::out;

namespace {
constexpr Field kSfpIfIndex = indented<"if_index", Type::Uint>("%sif_index:0x%x\n");
constexpr Field kIfIndex = indented<"if_index", Type::Uint>("%sif_index:%x");
constexpr Field kPort = field<"port", Type::Int>(" port:%d");
}  // namespace

// Deepens the indent to 7 spaces and leaves it so for whatever follows.
template <>
void pcfg::decode::decode<show_get_sfp_diag_info_handler>(const pcfg_logged_msg_t *msg,
                                                          Writer &w) noexcept {
    BeReader p = open_logged_msg(msg).payload;
    if (!has_fixed_part(p, 4, w)) return;
    const uint32_t if_index = p.u32();
    set_indent(7);
    w.put(kSfpIfIndex, if_index);
}

template <>
void pcfg::decode::decode<show_get_port_capabilities_handler>(const pcfg_logged_msg_t *msg,
                                                              Writer &w) noexcept {
    BeReader p = open_logged_msg(msg).payload;
    if (!has_fixed_part(p, 6, w)) return;
    p.skip(2);
    const uint32_t if_index = p.u32();
    w.put(kIfIndex, if_index);
    if (const auto port = port_of(if_index)) w.put(kPort, *port);
    w.text("\n");
}

PCFG_TEXT_DECODER(show_get_sfp_diag_info_handler)
PCFG_TEXT_DECODER(show_get_port_capabilities_handler)
