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
#include <array>
#include <cstdio>

#include "decode/decode_common.h"

using pcfg::BeReader;
using namespace pcfg::decode;

extern "C" void show_fl_port_services_handler(const pcfg_logged_msg_t *msg) noexcept {
    BeReader p = open_logged_msg(msg).payload;
    if (!has_fixed_part(p, 23)) return;
    const uint8_t fsm_flag = p.u8();
    const uint32_t if_index = p.u32();
    const uint16_t vsan = p.u16();
    const uint32_t ox_id = p.u32();
    const uint32_t rx_id = p.u32();
    std::array<uint8_t, 4> d_id{};
    std::array<uint8_t, 4> s_id{};
    for (uint8_t &byte : d_id) byte = p.u8();
    for (uint8_t &byte : s_id) byte = p.u8();
    printf("%sport_cfg_fsm_flag:0x%x, if_index:0x%x, vsan:0x%x ox_id:0x%x\n"
           "%srx_id:0x%x, d_id:%02x %02x %02x %02x s_id:%02x %02x %02x %02x\n",
           pcfg_show_indent, fsm_flag, static_cast<unsigned>(if_index), vsan,
           static_cast<unsigned>(ox_id), pcfg_show_indent, static_cast<unsigned>(rx_id),
           d_id[0], d_id[1], d_id[2], d_id[3], s_id[0], s_id[1], s_id[2], s_id[3]);
}
