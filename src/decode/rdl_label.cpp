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

#include "decode/decode_common.h"

using pcfg::BeReader;
using namespace pcfg::decode;
using namespace pcfg::out;

namespace {
constexpr Field kVersion = indented<"version", Type::Uint>("%sversion:0x%.8x");
constexpr Field kSlot = field<"slot", Type::Int>(" slot:%d\n");
constexpr Field kSlot2 = indented<"slot", Type::Int>("%sslot:%d");
constexpr Field kVersion2 = field<"version", Type::Uint>(" version:0x%x");
constexpr Field kOuiIndex = field<"oui_index", Type::Int>(" oui_index:%d");
constexpr Field kClockGran = field<"clock_gran", Type::Int>(" clock_gran:%d\n");
}  // namespace

template <>
void pcfg::decode::decode<show_set_rdl_label_handler>(const pcfg_logged_msg_t *msg,
                                                      Writer &w) noexcept {
    BeReader p = open_logged_msg(msg).payload;
    if (!has_fixed_part(p, 5, w)) return;
    const uint8_t slot = p.u8();
    std::array<uint32_t, 4> b{};  // payload bytes 1..4
    for (uint32_t &byte : b) byte = p.u8();
    w.put(kVersion, (b[0] << 24) | (b[3] << 16) | (b[2] << 8) | b[1]);
    w.put(kSlot, slot);
}

template <>
void pcfg::decode::decode<show_set_ver2_rdl_label_handler>(const pcfg_logged_msg_t *msg,
                                                           Writer &w) noexcept {
    BeReader p = open_logged_msg(msg).payload;
    if (!has_fixed_part(p, 16, w)) return;
    w.put(kSlot2, p.u8());
    w.put(kVersion2, p.u8());
    w.put(kOuiIndex, p.u8());
    p.skip(1);
    std::array<uint8_t, 8> wwn{};
    for (uint8_t &byte : wwn) byte = p.u8();
    w.put(kClockGran, p.u32());
    print_wwn_line(wwn, kWwnLine, w);
}

PCFG_TEXT_DECODER(show_set_rdl_label_handler)
PCFG_TEXT_DECODER(show_set_ver2_rdl_label_handler)
