// FL port services, opcode 397 (show_fl_port_services_handler).
//
// Payload (big-endian, packed), 23 bytes:
//   0  u8  port_cfg_fsm_flag
//   1  u32 if_index
//   5  u16 vsan
//   7  u32 ox_id
//  11  u32 rx_id
//  15  4 bytes d_id
//  19  4 bytes s_id
#include <cstdio>

#include "decode/decode_common.h"

using pcfg::BeReader;
using namespace pcfg::decode;
using namespace pcfg::out;

namespace {

constexpr Field kFsmFlag = indented<"port_cfg_fsm_flag", Type::Uint>("%sport_cfg_fsm_flag:0x%x");
constexpr Field kIfIndex = field<"if_index", Type::Uint>(", if_index:0x%x");
constexpr Field kVsan = field<"vsan", Type::Uint>(", vsan:0x%x");
constexpr Field kOxId = field<"ox_id", Type::Uint>(" ox_id:0x%x\n");
constexpr Field kRxId = indented<"rx_id", Type::Uint>("%srx_id:0x%x");
constexpr Field kDId = field<"d_id", Type::Str>(", d_id:%s");
constexpr Field kSId = field<"s_id", Type::Str>(" s_id:%s\n");

// Four address bytes as two-digit hex.
void print_id(BeReader &p, const Field &f, Writer &w) {
    char text[12];
    const uint8_t a = p.u8(), b = p.u8(), c = p.u8(), d = p.u8();
    snprintf(text, sizeof text, "%02x %02x %02x %02x", a, b, c, d);
    w.str(f, text);
}

}  // namespace

template <>
void pcfg::decode::decode<show_fl_port_services_handler>(const pcfg_logged_msg_t *msg,
                                                         Writer &w) noexcept {
    BeReader p = open_logged_msg(msg).payload;
    if (!has_fixed_part(p, 23, w)) return;
    w.put(kFsmFlag, p.u8());
    w.put(kIfIndex, p.u32());
    w.put(kVsan, p.u16());
    w.put(kOxId, p.u32());
    w.put(kRxId, p.u32());
    print_id(p, kDId, w);
    print_id(p, kSId, w);
}

PCFG_TEXT_DECODER(show_fl_port_services_handler)
