// Set port configuration, opcode 395 (show_set_port_cfg_handler).
//
// Payload (big-endian, packed):
//   0  u8  fsm_flag
//   1  u8  num_ports
//   2  ... entries
// Request form (kind 1): num_ports port entries (see set_port_cfg_walk.h).
// Reply form (any other kind): num_ports status entries of 8 bytes:
//   0  u32 if_index
//   4  u32 status (0 success)
#include <algorithm>
#include <array>
#include <cstdio>

#include "common/cfg_types.h"
#include "common/names.h"
#include "common/set_port_cfg_walk.h"
#include "decode/decode_common.h"

using namespace pcfg;
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

// How a number read as U8, U16 or U32 is shown after its label.
enum class Show : uint8_t {
    Dec,   // %d
    Hex,   // %x
    Hex8,  // %.8x
    Pad8,  // %8x
};

struct CfgLine {
    uint8_t type;
    Value value;
    Show show;
    const char *label;     // after the indent, before the value
    const char *tail = "";  // after the value, before the newline
};

// Catalogue of the configuration types with a line of their own.
constexpr std::array<CfgLine, 36> kCfgLines{{
    {kCfgAdminPortState, Value::U8, Show::Dec, "CFG_TYPE_ADMIN_PORT_STATE, port_state:"},
    {kCfgAdminPortMode, Value::U32, Show::Dec, "CFG_TYPE_ADMIN_PORT_MODE, mode:"},
    {kCfgAdminPortSpeed, Value::U32, Show::Dec, "CFG_TYPE_ADMIN_PORT_SPEED, speed:"},
    {kCfgPhysicalPortIndex, Value::U16, Show::Dec, "CFG_TYPE_PHYSICAL_PORT_INDEX, phy_port_idx:"},
    {kCfgPortVsan, Value::U32, Show::Dec, "CFG_TYPE_PORT_VSAN, vsan_id:"},
    {kCfgPortWwn, Value::Wwn, Show::Dec, "CFG_TYPE_PORT_WWN, "},
    {kCfgPortFcid, Value::U32, Show::Hex8, "CFG_TYPE_PORT_FCID, id:0x"},
    {kCfgPortParticipatingMode, Value::U8, Show::Dec, "CFG_TYPE_PORT_PARTICIPATING_MODE, mode:"},
    {kCfgPortEnableState, Value::U8, Show::Dec, "CFG_TYPE_PORT_ENABLE_STATE, state:"},
    {kCfgPortTrunkingMode, Value::U8, Show::Dec, "CFG_TYPE_PORT_TRUNKING_MODE, mode:"},
    {kCfgTxB2bCredit, Value::U32, Show::Pad8, "CFG_TYPE_TX_B2B_CREDIT 0x"},
    {kCfgB2bRxDataFldSize, Value::U16, Show::Hex8, "CFG_TYPE_B2B_RX_DATA_FLD_SIZE, 0x"},
    {kCfgFabricName, Value::Wwn, Show::Dec, "CFG_TYPE_FABRIC_NAME, "},
    {kCfgAdminPortCreated, Value::None, Show::Dec, "CFG_TYPE_ADMIN_PORT_CREATED "},
    {kCfgAdminPortDeleted, Value::None, Show::Dec, "CFG_TYPE_ADMIN_PORT_DELETED "},
    {kCfgPortEncap, Value::None, Show::Dec, "CFG_TYPE_PORT_ENCAP "},
    {kCfgRxB2bCredit, Value::U32, Show::Hex8, "CFG_TYPE_RX_B2B_CREDIT 0x"},
    {kCfgFPortTxB2bCredit, Value::U32, Show::Hex8, "CFG_TYPE_F_PORT_TX_B2B_CREDIT 0x"},
    {kCfgOperationalPortMode, Value::U32, Show::Dec, "CFG_TYPE_OPERATIONAL_PORT_MODE, mode:"},
    {kCfgRxB2bCreditMultiplier, Value::U32, Show::Hex8, "CFG_TYPE_RX_B2B_CREDIT_MULTIPLIER 0x"},
    {kCfgPortBbScn, Value::U8, Show::Dec, "CFG_TYPE_PORT_BB_SCN, value:"},
    {kCfgRxB2bPerformanceBuffers, Value::U32, Show::Hex8, "CFG_TYPE_RX_B2B_PERFORMANCE_BUFFERS 0x"},
    {kCfgPortIngressRate, Value::U8, Show::Hex, "CFG_TYPE_PORT_INGRESS_RATE, rate:0x"},
    {kCfgFPortNewTxB2bCredit, Value::U32, Show::Hex8, "CFG_TYPE_F_PORT_NEW_TX_B2B_CREDIT, 0x"},
    {kCfgPortRateMode, Value::U8, Show::Hex, "CFG_TYPE_PORT_RATE_MODE, rate_mode=0x"},
    {kCfgPortOutOfService, Value::U32, Show::Hex, "CFG_TYPE_PORT_OUT_OF_SERVICE, service state:0x"},
    {kCfgPortEportPathIndexMap, Value::U32, Show::Dec,
     "CFG_TYPE_PORT_EPORT_PATH_INDEX_MAP, port_register :", "   "},
    {kCfgPortModeFPktTimeout, Value::U32, Show::Hex8, "CFG_TYPE_PORT_MODE_F_PKT_TIMEOUT 0x"},
    {kCfgPortModeEPktTimeout, Value::U32, Show::Hex8, "CFG_TYPE_PORT_MODE_E_PKT_TIMEOUT 0x"},
    {kCfgPortModeFPktForceTimeout, Value::ForceTimeout, Show::Hex8,
     "CFG_TYPE_PORT_MODE_F_PKT_FORCE_TIMEOUT "},
    {kCfgPortModeEPktForceTimeout, Value::ForceTimeout, Show::Hex8,
     "CFG_TYPE_PORT_MODE_E_PKT_FORCE_TIMEOUT "},
    {kCfgPortSpeedGroup, Value::U8, Show::Dec, "CFG_TYPE_PORT_SPEED_GROUP, mode:"},
    {kCfgTxCreditQueueType, Value::U8, Show::Dec, "CFG_TYPE_TX_CREDIT_QUEUE_TYPE, q_mode:"},
    {kCfgPortXcvrFreq, Value::U8, Show::Dec, "CFG_TYPE_PORT_XCVR_FREQ, freq_type:"},
    {kCfgPortIfgFillWord8g, Value::U32, Show::Dec, "CFG_TYPE_PORT_IFG_FILL_WORD_8G, fillword:"},
    {kCfgPortFecState, Value::U32, Show::Dec, "CFG_TYPE_PORT_FEC_STATE, fec_state:"},
}};

size_t width_of(Value v) noexcept {
    constexpr std::array<size_t, 6> kWidths{0, 1, 2, 4, 8, 8};
    static_assert(kWidths.size() == static_cast<size_t>(Value::ForceTimeout) + 1);
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

void print_number(const CfgLine &row, uint32_t n) noexcept {
    const char *indent = pcfg_show_indent;
    switch (row.show) {
    case Show::Dec:
        printf("%s%s%d%s\n", indent, row.label, static_cast<int32_t>(n), row.tail);
        return;
    case Show::Hex:
        printf("%s%s%x%s\n", indent, row.label, static_cast<unsigned>(n), row.tail);
        return;
    case Show::Hex8:
        printf("%s%s%.8x%s\n", indent, row.label, static_cast<unsigned>(n), row.tail);
        return;
    case Show::Pad8:
        printf("%s%s%8x%s\n", indent, row.label, static_cast<unsigned>(n), row.tail);
        return;
    }
}

// One TLV's line; `value` covers exactly its len value bytes. A value
// shorter than its type's width shows the number its bytes make. Every
// other type (0, 5, 24, 41, above 175, ...) shows the type and the
// speed-group type number.
void print_cfg_tlv(uint8_t type, BeReader value) noexcept {
    const CfgLine *row = row_of(kCfgLines, &CfgLine::type, type);
    if (row == nullptr) {
        printf("%sinvalid cfg,tlv=0x%x CFG_TYPE_PORT_SPEED_GROUP:%d\n", pcfg_show_indent, type,
               kCfgPortSpeedGroup);
        return;
    }
    switch (row->value) {
    case Value::None:
        printf("%s%s\n", pcfg_show_indent, row->label);
        return;
    case Value::Wwn:
        printf("%s%s", pcfg_show_indent, row->label);
        print_wwn_line(eight_bytes(value));
        return;
    case Value::ForceTimeout: {
        const auto v = eight_bytes(value);
        BeReader timeout(v.data() + 4, 4);
        printf("%s%sen=%d timeout = 0x%.8x\n", pcfg_show_indent, row->label, v[0],
               static_cast<unsigned>(timeout.u32()));
        return;
    }
    case Value::U8:
    case Value::U16:
    case Value::U32:
        print_number(*row, static_cast<uint32_t>(value.uint_prefix(width_of(row->value))));
        return;
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

// The request's lines: one per port entry and one per TLV. A record that
// ends inside a port entry's head ends the output silently; a TLV that does
// not fit ends it with the two error lines.
struct RequestPrinter {
    bool entry(const PortEntry &e) noexcept {
        set_indent(5);
        if (e.index > 0) printf("\n");
        if (const auto port = port_of(e.if_index))
            printf("%sport:%d, if_index:%x num_cfg:%d\n", pcfg_show_indent,
                   static_cast<int32_t>(*port + 1), static_cast<unsigned>(e.if_index), e.num_cfg);
        else
            printf("%sport:%s, if_index:%x num_cfg:%d\n", pcfg_show_indent, "UNKNOWN",
                   static_cast<unsigned>(e.if_index), e.num_cfg);
        set_indent(6);
        return true;
    }
    bool tlv(uint8_t type, BeReader value) noexcept {
        print_cfg_tlv(type, value);
        return true;
    }
    bool entry_end() noexcept { return true; }
};

void decode_request(BeReader &p, uint8_t num_ports) noexcept {
    RequestPrinter printer;
    if (walk_port_entries(p, num_ports, printer) == WalkEnd::ShortTlv) {
        puts("****No space left in request");
        print_invalid_message();
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
