// Port capability query (show_pcfg_query_port_capabilities_handler, no
// opcode of its own).
//
// Payload (big-endian, packed):
//   0  u16 mod_num
//   2  u16 num_if    interface indexes, at most 56
//   4  u16 num_tlv   TLV type codes
//   6  2 bytes not read
//   8  num_if x u32  if_index list
//   8 + 4 x num_if: num_tlv x u16 TLV type codes
#include <cstdio>

#include "decode/decode_common.h"

using pcfg::BeReader;
using namespace pcfg::decode;

namespace {

constexpr uint16_t kMaxIfIndexes = 56;
constexpr int kIfIndexesPerRow = 6;
constexpr int kCodesPerRow = 10;

// Rows of `per_row` items, each `width` bytes shown as `digits` hex digits:
// the first item of a row carries the indent, the others a single space;
// the row's last item ends the line. Gives false when the payload runs out
// first (the open row is ended and the record is reported as damaged).
bool print_rows(BeReader &p, int count, int per_row, size_t width, int digits) noexcept {
    for (int i = 0; i < count; ++i) {
        if (!p.has(width)) {
            if (i % per_row != 0) printf("\n");
            print_invalid_message();
            return false;
        }
        const auto item = static_cast<unsigned>(p.uint_prefix(width));
        printf("%s0x%0*x%s", i % per_row == 0 ? pcfg_show_indent : " ", digits, item,
               i % per_row == per_row - 1 ? "\n" : "");
    }
    return true;
}

}  // namespace

extern "C" void show_pcfg_query_port_capabilities_handler(const pcfg_logged_msg_t *msg) noexcept {
    BeReader p = open_logged_msg(msg).payload;
    if (!has_fixed_part(p, 8)) return;
    const uint16_t mod_num = p.u16();
    const uint16_t num_if = p.u16();
    const uint16_t num_tlv = p.u16();
    p.skip(2);
    if (num_if > kMaxIfIndexes) {
        printf("%sPCFG_RSRC_ERR_MCQ_REQ_PARAM\n", pcfg_show_indent);
        return;
    }
    printf("%smod_num:%d num_if:%d num_tlv:%d\n", pcfg_show_indent, mod_num, num_if, num_tlv);
    printf("%sif_index list:\n", pcfg_show_indent);
    if (!print_rows(p, num_if, kIfIndexesPerRow, 4, 8)) return;
    printf("%stlv list:\n", pcfg_show_indent);
    if (!print_rows(p, num_tlv, kCodesPerRow, 2, 2)) return;
    printf("\n");
}
