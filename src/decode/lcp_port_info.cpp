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

#include "common/names.h"
#include "decode/decode_common.h"

using pcfg::BeReader;
using namespace pcfg::decode;
using namespace pcfg::out;

namespace {

constexpr size_t kElementLen = 16;

// What an element's line shows after the indent: the value, the item's port
// and the value, or the type.
enum class Shows : uint8_t { Value, IfIndexAndValue, Type };

struct ItemType {
    uint16_t type;
    Shows shows;
    Field first;
    Field second;  // the value after the item's port
};

constexpr Field kNoSecond = json_only<"none", Type::Int>();
constexpr std::array<ItemType, 4> kItemTypes{{
    {25, Shows::Value, indented<"tx_credits_available", Type::Uint>("%sTLV_TYPE_FC_PORT_TX_B2B_USAGE_INFO, Tx Credits avaialable: %u\n"), kNoSecond},
    {26, Shows::Value, indented<"rx_credits_available", Type::Int>("%sTLV_TYPE_FC_PORT_RX_B2B_USAGE_INFO, Rx credits available:%d\n"), kNoSecond},
    {34, Shows::IfIndexAndValue, indented<"if_index", Type::Uint>("%sTLV_TYPE_COMMON_BUF_POOL_DATA, if_index:0x%x"),
     field<"buf_avail", Type::Int>(" buf_avail:%d\n")},
    {38, Shows::Type, indented<"type", Type::Uint>("%sTLV_TYPE_CFG_PORT_VSAN, NOP for tlv=0x%x\n"), kNoSecond},
}};
constexpr ItemType kInvalidItem{
    0, Shows::Type, indented<"type", Type::Uint>("%sSYSERR_PM_INVALID_CFG_TYPE, invalid cfg, tlv=0x%x\n"),
    kNoSecond};

constexpr Field kIfIndex = indented<"if_index", Type::Uint>("%sif_index:0x%x");
constexpr Field kPort = field<"port", Type::Int>(", port:%d");
constexpr Field kStatus = indented<"status", Type::Int>("%sstatus:%d\n");
constexpr Field kType = json_only<"type", Type::Uint>();

const ItemType &item_type(uint16_t type) noexcept {
    const ItemType *row = pcfg::row_of(kItemTypes, &ItemType::type, type);
    return row != nullptr ? *row : kInvalidItem;
}

void print_element(uint16_t type, uint32_t if_index, uint32_t value, Writer &w) noexcept {
    const ItemType &row = item_type(type);
    switch (row.shows) {
    case Shows::Type:
        w.put(row.first, type);
        return;
    case Shows::Value:
        w.put(kType, type);
        w.put(row.first, value);
        return;
    case Shows::IfIndexAndValue:
        w.put(kType, type);
        w.put(row.first, if_index);
        w.put(row.second, value);
        return;
    }
}

}  // namespace

template <>
void pcfg::decode::decode<show_lcp_get_port_info_handler>(const pcfg_logged_msg_t *msg,
                                                          Writer &w) noexcept {
    BeReader p = open_logged_msg(msg).payload;
    if (!has_fixed_part(p, 8, w)) return;
    const uint32_t if_index = p.u32();
    const int32_t count = p.i32();
    const auto port = port_of(if_index);
    w.put(kIfIndex, if_index);
    if (!port) {
        w.text("\n");
        return;
    }
    w.put(kPort, *port);
    w.text("\n");
    const Scope elements(w, "elements", true);
    for (int32_t i = 0; i < count; ++i) {
        set_indent(6);
        if (!p.has(kElementLen)) {
            print_invalid_message(w);
            return;
        }
        const uint16_t type = p.u16();
        p.skip(2);
        const uint32_t item_if_index = p.u32();
        const uint32_t status = p.u32();
        const uint32_t value = p.u32();
        const Scope element(w, nullptr);
        print_element(type, item_if_index, value, w);
        set_indent(7);
        w.put(kStatus, status);
    }
}

PCFG_TEXT_DECODER(show_lcp_get_port_info_handler)
