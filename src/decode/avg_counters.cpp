// Average counters, opcode 3119 (show_get_avg_counters_handler).
//
// Payload (big-endian, packed), 8 bytes:
//   0  u32 if_index
//   4  u32 flags
#include "decode/decode_common.h"

using pcfg::BeReader;
using namespace pcfg::decode;
using namespace pcfg::out;

namespace {
constexpr Field kIfIndex = indented<"if_index", Type::Uint>("%sif_index:0x%x");
constexpr Field kFlags = field<"flags", Type::Uint>(" flags:0x%x");
constexpr Field kPort = field<"port", Type::Int>(" port:%d");
}  // namespace

template <>
void pcfg::decode::decode<show_get_avg_counters_handler>(const pcfg_logged_msg_t *msg,
                                                         Writer &w) noexcept {
    BeReader p = open_logged_msg(msg).payload;
    if (!has_fixed_part(p, 8, w)) return;
    const uint32_t if_index = p.u32();
    w.put(kIfIndex, if_index);
    w.put(kFlags, p.u32());
    if (const auto port = port_of(if_index)) w.put(kPort, *port);
    w.text("\n");
}

PCFG_TEXT_DECODER(show_get_avg_counters_handler)
