// Clear port counters, opcode 409 (show_clear_port_counters_handler).
//
// Payload (big-endian, packed):
//   0  u8  aggr    counter set: 0 aggregate, 1 current
//   1  u8  count   interface indexes that follow (NoOfCntrs)
//   2  count x u32 if_index list
#include "decode/decode_common.h"

using pcfg::BeReader;
using namespace pcfg::decode;
using namespace pcfg::out;

namespace {
constexpr Field kAggr = indented<"aggr", Type::NamedInt>("%sAggr:%s");
constexpr Field kCount = field<"count", Type::Int>(" NoOfCntrs:%d\n");
constexpr Field kIfIndex = field<"if_index", Type::Uint>(" if_index:0x%x");
constexpr Field kPort = field<"port", Type::Int>(" port:%d ");
// An index the port map does not know: the text leaves it out.
constexpr Field kUnknownIfIndex = json_only<"if_index", Type::Uint>();
constexpr Field kUnknownPort = json_only<"port", Type::Int>();
}  // namespace

// The list stands on one indented line.
template <>
void pcfg::decode::decode<show_clear_port_counters_handler>(const pcfg_logged_msg_t *msg,
                                                            Writer &w) noexcept {
    BeReader p = open_logged_msg(msg).payload;
    if (!has_fixed_part(p, 2, w)) return;
    const uint8_t aggr = p.u8();
    const uint8_t count = p.u8();
    w.named(kAggr, aggr_name(aggr), aggr);
    w.put(kCount, count);
    w.text(pcfg_show_indent);
    {
        const Scope list(w, "entries", true);
        for (int i = 0; i < count; ++i) {
            if (!p.has(4)) {
                w.text("\n");
                print_invalid_message(w);
                return;
            }
            const uint32_t if_index = p.u32();
            const Scope entry(w, nullptr);
            if (const auto port = port_of(if_index)) {
                w.put(kIfIndex, if_index);
                w.put(kPort, *port);
            } else {
                w.put(kUnknownIfIndex, if_index);
                w.absent(kUnknownPort, "");
            }
        }
    }
    w.text("\n");
}

PCFG_TEXT_DECODER(show_clear_port_counters_handler)
