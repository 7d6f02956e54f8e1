// Line-card port information (show_lcp_get_port_info_handler, no opcode of
// its own).
//
// Payload (big-endian, packed):
//   0  u32 if_index
//   4  s32 count     16-byte elements that follow (none when 0 or negative)
//   8  count x element:
//        0  u16 type
//        2  2 bytes not read
//        4  u32 if_index   port of a buffer-pool item
//        8  u32 status
//       12  u32 value
#include <array>
#include <cstdio>

#include "common/names.h"
#include "decode/decode_common.h"

using pcfg::BeReader;
using namespace pcfg::decode;

namespace {

constexpr size_t kElementLen = 16;

// What an element's line shows after the indent.
enum class Shows : uint8_t { UnsignedValue, SignedValue, IfIndexAndValue, Type };

struct ItemType {
    uint16_t type;
    Shows shows;
    const char *line;  // after the indent, before the values
};

constexpr std::array<ItemType, 4> kItemTypes{{
    {25, Shows::UnsignedValue, "TLV_TYPE_FC_PORT_TX_B2B_USAGE_INFO, Tx Credits avaialable: "},
    {26, Shows::SignedValue, "TLV_TYPE_FC_PORT_RX_B2B_USAGE_INFO, Rx credits available:"},
    {34, Shows::IfIndexAndValue, "TLV_TYPE_COMMON_BUF_POOL_DATA, if_index:0x"},
    {38, Shows::Type, "TLV_TYPE_CFG_PORT_VSAN, NOP for tlv=0x"},
}};
constexpr ItemType kInvalidItem{0, Shows::Type, "SYSERR_PM_INVALID_CFG_TYPE, invalid cfg, tlv=0x"};

const ItemType &item_type(uint16_t type) noexcept {
    const ItemType *row = pcfg::row_of(kItemTypes, &ItemType::type, type);
    return row != nullptr ? *row : kInvalidItem;
}

void print_element(uint16_t type, uint32_t if_index, uint32_t value) noexcept {
    const ItemType &row = item_type(type);
    const char *in = pcfg_show_indent;
    switch (row.shows) {
    case Shows::UnsignedValue:
        printf("%s%s%u\n", in, row.line, static_cast<unsigned>(value));
        return;
    case Shows::SignedValue:
        printf("%s%s%d\n", in, row.line, static_cast<int32_t>(value));
        return;
    case Shows::IfIndexAndValue:
        printf("%s%s%x buf_avail:%d\n", in, row.line, static_cast<unsigned>(if_index),
               static_cast<int32_t>(value));
        return;
    case Shows::Type:
        printf("%s%s%x\n", in, row.line, static_cast<unsigned>(type));
        return;
    }
}

}  // namespace

extern "C" void show_lcp_get_port_info_handler(const pcfg_logged_msg_t *msg) noexcept {
    BeReader p = open_logged_msg(msg).payload;
    if (!has_fixed_part(p, 8)) return;
    const uint32_t if_index = p.u32();
    const int32_t count = p.i32();
    const auto port = port_of(if_index);
    if (!port) {
        printf("%sif_index:0x%x\n", pcfg_show_indent, static_cast<unsigned>(if_index));
        return;
    }
    printf("%sif_index:0x%x, port:%d\n", pcfg_show_indent, static_cast<unsigned>(if_index),
           static_cast<int32_t>(*port));
    for (int32_t i = 0; i < count; ++i) {
        set_indent(6);
        if (!p.has(kElementLen)) {
            print_invalid_message();
            return;
        }
        const uint16_t type = p.u16();
        p.skip(2);
        const uint32_t item_if_index = p.u32();
        const uint32_t status = p.u32();
        const uint32_t value = p.u32();
        print_element(type, item_if_index, value);
        set_indent(7);
        printf("%sstatus:%d\n", pcfg_show_indent, static_cast<int32_t>(status));
    }
}
