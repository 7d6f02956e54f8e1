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
#include "decode/decode_common.h"

using pcfg::BeReader;
using namespace pcfg::decode;
using namespace pcfg::out;

namespace {

constexpr uint16_t kMaxIfIndexes = 56;

constexpr Field kModNum = indented<"mod_num", Type::Int>("%smod_num:%d");
constexpr Field kNumIf = field<"num_if", Type::Int>(" num_if:%d");
constexpr Field kNumTlv = field<"num_tlv", Type::Int>(" num_tlv:%d\n");

// A list shown in rows of `per_row` items, each `width` bytes in hex.
struct Rows {
    const char *key;
    const char *title;  // the line before the rows
    Field item;
    int per_row;
    size_t width;
};
constexpr Rows kIfIndexes{"if_indexes", "if_index list:\n", field<"if_index", Type::Uint>("0x%08x"),
                          6, 4};
constexpr Rows kTlvTypes{"tlv_types", "tlv list:\n", field<"tlv_type", Type::Uint>("0x%02x"), 10, 2};

// The first item of a row carries the indent, the others a single space;
// the row's last item ends the line. Gives false when the payload runs out
// first (the open row is ended and the record is reported as damaged).
bool print_rows(BeReader &p, int count, const Rows &rows, Writer &w) noexcept {
    indented_text(w, rows.title);
    const Scope list(w, rows.key, true);
    for (int i = 0; i < count; ++i) {
        if (!p.has(rows.width)) {
            if (i % rows.per_row != 0) w.text("\n");
            print_invalid_message(w);
            return false;
        }
        w.text(i % rows.per_row == 0 ? pcfg_show_indent : " ");
        w.put(rows.item, p.uint_prefix(rows.width));
        if (i % rows.per_row == rows.per_row - 1) w.text("\n");
    }
    return true;
}

}  // namespace

template <>
void pcfg::decode::decode<show_pcfg_query_port_capabilities_handler>(
    const pcfg_logged_msg_t *msg, Writer &w) noexcept {
    BeReader p = open_logged_msg(msg).payload;
    if (!has_fixed_part(p, 8, w)) return;
    const uint16_t mod_num = p.u16();
    const uint16_t num_if = p.u16();
    const uint16_t num_tlv = p.u16();
    p.skip(2);
    if (num_if > kMaxIfIndexes) {
        w.fail(Fail::InvalidArgument, "%sPCFG_RSRC_ERR_MCQ_REQ_PARAM\n", pcfg_show_indent);
        return;
    }
    w.put(kModNum, mod_num);
    w.put(kNumIf, num_if);
    w.put(kNumTlv, num_tlv);
    if (!print_rows(p, num_if, kIfIndexes, w)) return;
    if (!print_rows(p, num_tlv, kTlvTypes, w)) return;
    w.text("\n");
}

PCFG_TEXT_DECODER(show_pcfg_query_port_capabilities_handler)
