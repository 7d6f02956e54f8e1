// RDL labels: opcode 403 (show_set_rdl_label_handler) and the version-2
// label, opcode 421 (show_set_ver2_rdl_label_handler).
//
// RDL label payload, 5 bytes:
//   0  u8  slot
//   1  4 bytes version; shown as one number whose most significant byte is
//            payload byte 1, followed by bytes 4, 3 and 2
// Version-2 RDL label payload (big-endian, packed), 16 bytes:
//   0  u8  slot
//   1  u8  version
//   2  u8  oui_index
//   3  u8  not read
//   4  8 bytes wwn
//  12  u32 clock_gran
#include <array>
#include <cstdio>

#include "decode/decode_common.h"

using pcfg::BeReader;
using namespace pcfg::decode;

extern "C" void show_set_rdl_label_handler(const pcfg_logged_msg_t *msg) noexcept {
    BeReader p = open_logged_msg(msg).payload;
    if (!has_fixed_part(p, 5)) return;
    const uint8_t slot = p.u8();
    std::array<uint32_t, 4> b{};  // payload bytes 1..4
    for (uint32_t &byte : b) byte = p.u8();
    const uint32_t version = (b[0] << 24) | (b[3] << 16) | (b[2] << 8) | b[1];
    printf("%sversion:0x%.8x slot:%d\n", pcfg_show_indent, static_cast<unsigned>(version), slot);
}

extern "C" void show_set_ver2_rdl_label_handler(const pcfg_logged_msg_t *msg) noexcept {
    BeReader p = open_logged_msg(msg).payload;
    if (!has_fixed_part(p, 16)) return;
    const uint8_t slot = p.u8();
    const uint8_t version = p.u8();
    const uint8_t oui_index = p.u8();
    p.skip(1);
    std::array<uint8_t, 8> wwn{};
    for (uint8_t &byte : wwn) byte = p.u8();
    const uint32_t clock_gran = p.u32();
    printf("%sslot:%d version:0x%x oui_index:%d clock_gran:%d\n", pcfg_show_indent, slot,
           version, oui_index, static_cast<int32_t>(clock_gran));
    print_wwn_line(wwn);
}
