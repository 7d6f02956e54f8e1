// Set port configuration, opcode 395 (show_set_port_cfg_handler).
//
// Payload (big-endian, packed):
//   0  u8  fsm_flag
//   1  u8  num_ports
//   2  ... entries
// Request form (kind 1): num_ports port entries, back to back:
//   0  u32 if_index
//   4  u8  num_cfg
//   5  ... num_cfg configuration TLVs: 0 u8 type, 1 u8 len, 2 len value bytes
// Reply form (any other kind): num_ports status entries of 8 bytes:
//   0  u32 if_index
//   4  u32 status (0 success)
#include <algorithm>
#include <array>
#include <cstdio>

#include "decode/decode_common.h"

using pcfg::BeReader;
using namespace pcfg::decode;

namespace {

// How a configuration type's value is read from the TLV.
enum class Value : uint8_t {
    None,          // not read
    U8,            // first byte
    U16,           // first 2 bytes
    U32,           // first 4 bytes
    Wwn,           // 8 bytes, printed as the WWN line
    ForceTimeout,  // u8 enable at byte 0, u32 timeout at bytes 4..7
};

struct CfgType {
    uint8_t type;
    Value value;
    bool hex;  // the line shows the value with %x (unsigned), else %d
    const char *line;
};

// Catalogue of the configuration types with a line of their own.
constexpr std::array<CfgType, 36> kCfgTypes{{
    {1, Value::U8, false, "%sCFG_TYPE_ADMIN_PORT_STATE, port_state:%d\n"},
    {2, Value::U32, false, "%sCFG_TYPE_ADMIN_PORT_MODE, mode:%d\n"},
    {3, Value::U32, false, "%sCFG_TYPE_ADMIN_PORT_SPEED, speed:%d\n"},
    {7, Value::U16, false, "%sCFG_TYPE_PHYSICAL_PORT_INDEX, phy_port_idx:%d\n"},
    {8, Value::U32, false, "%sCFG_TYPE_PORT_VSAN, vsan_id:%d\n"},
    {9, Value::Wwn, false, "%sCFG_TYPE_PORT_WWN, "},
    {10, Value::U32, true, "%sCFG_TYPE_PORT_FCID, id:0x%.8x\n"},
    {11, Value::U8, false, "%sCFG_TYPE_PORT_PARTICIPATING_MODE, mode:%d\n"},
    {12, Value::U8, false, "%sCFG_TYPE_PORT_ENABLE_STATE, state:%d\n"},
    {13, Value::U8, false, "%sCFG_TYPE_PORT_TRUNKING_MODE, mode:%d\n"},
    {14, Value::U32, true, "%sCFG_TYPE_TX_B2B_CREDIT 0x%8x\n"},
    {15, Value::U16, true, "%sCFG_TYPE_B2B_RX_DATA_FLD_SIZE, 0x%.8x\n"},
    {16, Value::Wwn, false, "%sCFG_TYPE_FABRIC_NAME, "},
    {18, Value::None, false, "%sCFG_TYPE_ADMIN_PORT_CREATED \n"},
    {19, Value::None, false, "%sCFG_TYPE_ADMIN_PORT_DELETED \n"},
    {22, Value::None, false, "%sCFG_TYPE_PORT_ENCAP \n"},
    {25, Value::U32, true, "%sCFG_TYPE_RX_B2B_CREDIT 0x%.8x\n"},
    {26, Value::U32, true, "%sCFG_TYPE_F_PORT_TX_B2B_CREDIT 0x%.8x\n"},
    {27, Value::U32, false, "%sCFG_TYPE_OPERATIONAL_PORT_MODE, mode:%d\n"},
    {28, Value::U32, true, "%sCFG_TYPE_RX_B2B_CREDIT_MULTIPLIER 0x%.8x\n"},
    {35, Value::U8, false, "%sCFG_TYPE_PORT_BB_SCN, value:%d\n"},
    {37, Value::U32, true, "%sCFG_TYPE_RX_B2B_PERFORMANCE_BUFFERS 0x%.8x\n"},
    {38, Value::U8, true, "%sCFG_TYPE_PORT_INGRESS_RATE, rate:0x%x\n"},
    {43, Value::U32, true, "%sCFG_TYPE_F_PORT_NEW_TX_B2B_CREDIT, 0x%.8x\n"},
    {44, Value::U8, true, "%sCFG_TYPE_PORT_RATE_MODE, rate_mode=0x%x\n"},
    {45, Value::U32, true, "%sCFG_TYPE_PORT_OUT_OF_SERVICE, service state:0x%x\n"},
    {49, Value::U32, false, "%sCFG_TYPE_PORT_EPORT_PATH_INDEX_MAP, port_register :%d   \n"},
    {99, Value::U32, true, "%sCFG_TYPE_PORT_MODE_F_PKT_TIMEOUT 0x%.8x\n"},
    {100, Value::U32, true, "%sCFG_TYPE_PORT_MODE_E_PKT_TIMEOUT 0x%.8x\n"},
    {101, Value::ForceTimeout, true,
     "%sCFG_TYPE_PORT_MODE_F_PKT_FORCE_TIMEOUT en=%d timeout = 0x%.8x\n"},
    {102, Value::ForceTimeout, true,
     "%sCFG_TYPE_PORT_MODE_E_PKT_FORCE_TIMEOUT en=%d timeout = 0x%.8x\n"},
    {147, Value::U8, false, "%sCFG_TYPE_PORT_SPEED_GROUP, mode:%d\n"},
    {150, Value::U8, false, "%sCFG_TYPE_TX_CREDIT_QUEUE_TYPE, q_mode:%d\n"},
    {160, Value::U8, false, "%sCFG_TYPE_PORT_XCVR_FREQ, freq_type:%d\n"},
    {161, Value::U32, false, "%sCFG_TYPE_PORT_IFG_FILL_WORD_8G, fillword:%d\n"},
    {175, Value::U32, false, "%sCFG_TYPE_PORT_FEC_STATE, fec_state:%d\n"},
}};

// Every other type (0, 5, 24, 41, above 175, ...), with the type and the
// speed-group type number.
constexpr const char *kInvalidLine = "%sinvalid cfg,tlv=0x%x CFG_TYPE_PORT_SPEED_GROUP:%d\n";
constexpr int kSpeedGroupType = 147;

const CfgType *find_cfg_type(uint8_t type) noexcept {
    for (const CfgType &row : kCfgTypes)
        if (row.type == type) return &row;
    return nullptr;
}

size_t width_of(Value v) noexcept {
    constexpr std::array<size_t, 6> kWidths{0, 1, 2, 4, 8, 8};
    return kWidths[static_cast<size_t>(v)];
}

// The eight value bytes of a WWN or force-timeout TLV; bytes the TLV lacks
// read as 0.
std::array<uint8_t, 8> eight_bytes(BeReader &value) noexcept {
    std::array<uint8_t, 8> out{};
    const auto present = value.bytes(std::min<size_t>(value.remaining(), out.size()));
    std::copy(present.begin(), present.end(), out.begin());
    return out;
}

// One TLV's line; `value` covers exactly its len value bytes. A value
// shorter than its type's width shows the number its bytes make.
void print_cfg_tlv(uint8_t type, BeReader value) noexcept {
    const CfgType *row = find_cfg_type(type);
    if (row == nullptr) {
        printf(kInvalidLine, pcfg_show_indent, type, kSpeedGroupType);
        return;
    }
    switch (row->value) {
    case Value::None:
        printf(row->line, pcfg_show_indent);
        return;
    case Value::Wwn:
        printf(row->line, pcfg_show_indent);
        print_wwn_line(eight_bytes(value));
        return;
    case Value::ForceTimeout: {
        const auto v = eight_bytes(value);
        BeReader timeout(v.data() + 4, 4);
        printf(row->line, pcfg_show_indent, v[0], static_cast<unsigned>(timeout.u32()));
        return;
    }
    case Value::U8:
    case Value::U16:
    case Value::U32: {
        const auto n = static_cast<uint32_t>(value.uint_prefix(width_of(row->value)));
        if (row->hex)
            printf(row->line, pcfg_show_indent, static_cast<unsigned>(n));
        else
            printf(row->line, pcfg_show_indent, static_cast<int32_t>(n));
        return;
    }
    }
}

void decode_reply(BeReader &p, uint8_t num_ports) noexcept {
    for (int i = 0; i < num_ports; ++i) {
        set_indent(5);
        if (!p.has(8)) {
            print_invalid_message();
            return;
        }
        const uint32_t if_index = p.u32();
        const uint32_t status = p.u32();
        printf("%sport:%d if_index:%x status:%d \n", pcfg_show_indent, i,
               static_cast<unsigned>(if_index), static_cast<int32_t>(status));
    }
}

void decode_request(BeReader &p, uint8_t num_ports) noexcept {
    for (int k = 0; k < num_ports; ++k) {
        // A record that ends inside a port entry ends the output silently.
        if (!p.has(5)) return;
        set_indent(5);
        if (k > 0) printf("\n");
        const uint32_t if_index = p.u32();
        const uint8_t num_cfg = p.u8();
        if (const auto port = port_of(if_index))
            printf("%sport:%d, if_index:%x num_cfg:%d\n", pcfg_show_indent,
                   static_cast<int32_t>(*port + 1), static_cast<unsigned>(if_index), num_cfg);
        else
            printf("%sport:%s, if_index:%x num_cfg:%d\n", pcfg_show_indent, "UNKNOWN",
                   static_cast<unsigned>(if_index), num_cfg);
        set_indent(6);
        for (int t = 0; t < num_cfg; ++t) {
            // A TLV that does not fit ends the record with the two error lines.
            const uint8_t type = p.u8();
            const uint8_t len = p.u8();
            if (!p.ok() || !p.has(len)) {
                puts("****No space left in request");
                print_invalid_message();
                return;
            }
            print_cfg_tlv(type, p.sub(len));
        }
    }
}

}  // namespace

extern "C" void show_set_port_cfg_handler(const pcfg_logged_msg_t *msg) noexcept {
    LoggedMsg m = open_logged_msg(msg);
    BeReader &p = m.payload;
    if (!has_fixed_part(p, 2)) return;
    const uint8_t fsm_flag = p.u8();
    const uint8_t num_ports = p.u8();
    printf("%sfsm_flag: %d, num_ports:%d port_cfg_payload_sz:%d\n", pcfg_show_indent, fsm_flag,
           num_ports, static_cast<int>(p.remaining()));
    if (m.kind == kKindRequest)
        decode_request(p, num_ports);
    else
        decode_reply(p, num_ports);
}
