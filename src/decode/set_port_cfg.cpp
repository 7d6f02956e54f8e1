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
using namespace pcfg::out;

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

struct CfgLine {
    uint8_t type;
    Value value;
    const char *name;  // the type's name, which starts its line
    Field line;        // the line after the indent: the name, then the value
};

// A line of the type's name, a label and the number in `conv`; a WWN line; a
// line of the name alone; a force time-out line.
#define PCFG_NUM(type, value, name, label, conv, ftype) \
    CfgLine { type, Value::value, #name, indented<"value", Type::ftype>("%s" #name label conv "\n") }
#define PCFG_DEC(type, value, name, label) PCFG_NUM(type, value, name, label, "%d", Int)
#define PCFG_HEX(type, value, name, label) PCFG_NUM(type, value, name, label, "%x", Uint)
#define PCFG_HEX8(type, value, name, label) PCFG_NUM(type, value, name, label, "%.8x", Uint)
#define PCFG_WWN(type, name) \
    CfgLine { type, Value::Wwn, #name, indented<"wwn", Type::Str>("%s" #name ", %s\n") }
#define PCFG_BARE(type, name) \
    CfgLine { type, Value::None, #name, indented<"type", Type::NamedUint>("%s%s \n") }
#define PCFG_FTO(type, name) \
    CfgLine { type, Value::ForceTimeout, #name, indented<"enabled", Type::Int>("%s" #name " en=%d") }

// Catalogue of the configuration types with a line of their own.
constexpr std::array<CfgLine, 36> kCfgLines{{
    PCFG_DEC(kCfgAdminPortState, U8, CFG_TYPE_ADMIN_PORT_STATE, ", port_state:"),
    PCFG_DEC(kCfgAdminPortMode, U32, CFG_TYPE_ADMIN_PORT_MODE, ", mode:"),
    PCFG_DEC(kCfgAdminPortSpeed, U32, CFG_TYPE_ADMIN_PORT_SPEED, ", speed:"),
    PCFG_DEC(kCfgPhysicalPortIndex, U16, CFG_TYPE_PHYSICAL_PORT_INDEX, ", phy_port_idx:"),
    PCFG_DEC(kCfgPortVsan, U32, CFG_TYPE_PORT_VSAN, ", vsan_id:"),
    PCFG_WWN(kCfgPortWwn, CFG_TYPE_PORT_WWN),
    PCFG_HEX8(kCfgPortFcid, U32, CFG_TYPE_PORT_FCID, ", id:0x"),
    PCFG_DEC(kCfgPortParticipatingMode, U8, CFG_TYPE_PORT_PARTICIPATING_MODE, ", mode:"),
    PCFG_DEC(kCfgPortEnableState, U8, CFG_TYPE_PORT_ENABLE_STATE, ", state:"),
    PCFG_DEC(kCfgPortTrunkingMode, U8, CFG_TYPE_PORT_TRUNKING_MODE, ", mode:"),
    PCFG_NUM(kCfgTxB2bCredit, U32, CFG_TYPE_TX_B2B_CREDIT, " 0x", "%8x", Uint),
    PCFG_HEX8(kCfgB2bRxDataFldSize, U16, CFG_TYPE_B2B_RX_DATA_FLD_SIZE, ", 0x"),
    PCFG_WWN(kCfgFabricName, CFG_TYPE_FABRIC_NAME),
    PCFG_BARE(kCfgAdminPortCreated, CFG_TYPE_ADMIN_PORT_CREATED),
    PCFG_BARE(kCfgAdminPortDeleted, CFG_TYPE_ADMIN_PORT_DELETED),
    PCFG_BARE(kCfgPortEncap, CFG_TYPE_PORT_ENCAP),
    PCFG_HEX8(kCfgRxB2bCredit, U32, CFG_TYPE_RX_B2B_CREDIT, " 0x"),
    PCFG_HEX8(kCfgFPortTxB2bCredit, U32, CFG_TYPE_F_PORT_TX_B2B_CREDIT, " 0x"),
    PCFG_DEC(kCfgOperationalPortMode, U32, CFG_TYPE_OPERATIONAL_PORT_MODE, ", mode:"),
    PCFG_HEX8(kCfgRxB2bCreditMultiplier, U32, CFG_TYPE_RX_B2B_CREDIT_MULTIPLIER, " 0x"),
    PCFG_DEC(kCfgPortBbScn, U8, CFG_TYPE_PORT_BB_SCN, ", value:"),
    PCFG_HEX8(kCfgRxB2bPerformanceBuffers, U32, CFG_TYPE_RX_B2B_PERFORMANCE_BUFFERS, " 0x"),
    PCFG_HEX(kCfgPortIngressRate, U8, CFG_TYPE_PORT_INGRESS_RATE, ", rate:0x"),
    PCFG_HEX8(kCfgFPortNewTxB2bCredit, U32, CFG_TYPE_F_PORT_NEW_TX_B2B_CREDIT, ", 0x"),
    PCFG_HEX(kCfgPortRateMode, U8, CFG_TYPE_PORT_RATE_MODE, ", rate_mode=0x"),
    PCFG_HEX(kCfgPortOutOfService, U32, CFG_TYPE_PORT_OUT_OF_SERVICE, ", service state:0x"),
    PCFG_NUM(kCfgPortEportPathIndexMap, U32, CFG_TYPE_PORT_EPORT_PATH_INDEX_MAP,
             ", port_register :", "%d   ", Int),
    PCFG_HEX8(kCfgPortModeFPktTimeout, U32, CFG_TYPE_PORT_MODE_F_PKT_TIMEOUT, " 0x"),
    PCFG_HEX8(kCfgPortModeEPktTimeout, U32, CFG_TYPE_PORT_MODE_E_PKT_TIMEOUT, " 0x"),
    PCFG_FTO(kCfgPortModeFPktForceTimeout, CFG_TYPE_PORT_MODE_F_PKT_FORCE_TIMEOUT),
    PCFG_FTO(kCfgPortModeEPktForceTimeout, CFG_TYPE_PORT_MODE_E_PKT_FORCE_TIMEOUT),
    PCFG_DEC(kCfgPortSpeedGroup, U8, CFG_TYPE_PORT_SPEED_GROUP, ", mode:"),
    PCFG_DEC(kCfgTxCreditQueueType, U8, CFG_TYPE_TX_CREDIT_QUEUE_TYPE, ", q_mode:"),
    PCFG_DEC(kCfgPortXcvrFreq, U8, CFG_TYPE_PORT_XCVR_FREQ, ", freq_type:"),
    PCFG_DEC(kCfgPortIfgFillWord8g, U32, CFG_TYPE_PORT_IFG_FILL_WORD_8G, ", fillword:"),
    PCFG_DEC(kCfgPortFecState, U32, CFG_TYPE_PORT_FEC_STATE, ", fec_state:"),
}};
#undef PCFG_NUM
#undef PCFG_DEC
#undef PCFG_HEX
#undef PCFG_HEX8
#undef PCFG_WWN
#undef PCFG_BARE
#undef PCFG_FTO

constexpr Field kType = json_only<"type", Type::NamedUint>();
constexpr Field kTimeout = field<"timeout", Type::Uint>(" timeout = 0x%.8x\n");

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

// One TLV's line; `value` covers exactly its len value bytes. A value
// shorter than its type's width shows the number its bytes make. Every
// other type (0, 5, 24, 41, above 175, ...) shows the type and the
// speed-group type number.
void print_cfg_tlv(uint8_t type, BeReader value, Writer &w) noexcept {
    const CfgLine *row = row_of(kCfgLines, &CfgLine::type, type);
    if (row == nullptr) {
        w.named(kType, nullptr, type);
        w.fail(Fail::UnknownCfgType, "%sinvalid cfg,tlv=0x%x CFG_TYPE_PORT_SPEED_GROUP:%d\n",
               pcfg_show_indent, type, kCfgPortSpeedGroup);
        return;
    }
    switch (row->value) {
    case Value::None:
        w.named(row->line, row->name, type);
        return;
    case Value::Wwn:
        w.named(kType, row->name, type);
        print_wwn_line(eight_bytes(value), row->line, w);
        return;
    case Value::ForceTimeout: {
        w.named(kType, row->name, type);
        const auto v = eight_bytes(value);
        w.put(row->line, v[0]);
        w.put(kTimeout, BeReader(v.data() + 4, 4).u32());
        return;
    }
    case Value::U8:
    case Value::U16:
    case Value::U32:
        w.named(kType, row->name, type);
        w.put(row->line, value.uint_prefix(width_of(row->value)));
        return;
    }
}

constexpr Field kReplyEntry = indented<"entry", Type::Int>("%sport:%d");
constexpr Field kReplyIfIndex = field<"if_index", Type::Uint>(" if_index:%x");
constexpr Field kReplyStatus = field<"status", Type::Int>(" status:%d \n");

void decode_reply(BeReader &p, uint8_t num_ports, Writer &w) noexcept {
    const Scope list(w, "statuses", true);
    for (int i = 0; i < num_ports; ++i) {
        set_indent(5);
        if (!p.has(8)) {
            print_invalid_message(w);
            return;
        }
        const Scope entry(w, nullptr);
        w.put(kReplyEntry, static_cast<uint32_t>(i));
        w.put(kReplyIfIndex, p.u32());
        w.put(kReplyStatus, p.u32());
    }
}

constexpr Field kPort = indented<"port", Type::Int>("%sport:%d");
constexpr Field kUnknownPort = indented<"port", Type::Str>("%sport:%s");
constexpr Field kIfIndex = field<"if_index", Type::Uint>(", if_index:%x");
constexpr Field kNumCfg = field<"num_cfg", Type::Int>(" num_cfg:%d\n");

// The request's lines: one per port entry and one per TLV. A record that
// ends inside a port entry's head ends the output silently; a TLV that does
// not fit ends it with the two error lines.
struct RequestPrinter {
    Writer &w;
    bool open = false;  // a port entry's object and TLV list are open

    bool entry(const PortEntry &e) noexcept {
        end_entry();
        set_indent(5);
        if (e.index > 0) w.text("\n");
        w.open(nullptr);
        open = true;
        if (const auto port = port_of(e.if_index))
            w.put(kPort, *port + 1);
        else
            w.absent(kUnknownPort, "UNKNOWN");
        w.put(kIfIndex, e.if_index);
        w.put(kNumCfg, e.num_cfg);
        w.open_list("tlvs");
        set_indent(6);
        return true;
    }
    bool tlv(uint8_t type, BeReader value) noexcept {
        const Scope t(w, nullptr);
        print_cfg_tlv(type, value, w);
        return true;
    }
    bool entry_end() noexcept { return true; }
    void end_entry() noexcept {
        if (!open) return;
        w.close();
        w.close();
        open = false;
    }
};

void decode_request(BeReader &p, uint8_t num_ports, Writer &w) noexcept {
    const Scope list(w, "ports", true);
    RequestPrinter printer{w};
    const WalkEnd end = walk_port_entries(p, num_ports, printer);
    if (end == WalkEnd::ShortTlv)
        w.fail(Fail::InvalidMessage, "****No space left in request\n%sSYSERR_PM_INVALID_MTS_MESSAGE\n",
               pcfg_show_indent);
    printer.end_entry();
}

constexpr Field kFsmFlag = indented<"fsm_flag", Type::Int>("%sfsm_flag: %d");
constexpr Field kNumPorts = field<"num_ports", Type::Int>(", num_ports:%d");
constexpr Field kPayloadSize =
    field<"port_cfg_payload_bytes", Type::Int>(" port_cfg_payload_sz:%d\n", Unit::Bytes);

}  // namespace

template <>
void pcfg::decode::decode<show_set_port_cfg_handler>(const pcfg_logged_msg_t *msg,
                                                     Writer &w) noexcept {
    LoggedMsg m = open_logged_msg(msg);
    BeReader &p = m.payload;
    if (!has_fixed_part(p, 2, w)) return;
    const uint8_t fsm_flag = p.u8();
    const uint8_t num_ports = p.u8();
    w.put(kFsmFlag, fsm_flag);
    w.put(kNumPorts, num_ports);
    w.put(kPayloadSize, static_cast<uint32_t>(p.remaining()));
    if (m.kind == kKindRequest)
        decode_request(p, num_ports, w);
    else
        decode_reply(p, num_ports, w);
}

PCFG_TEXT_DECODER(show_set_port_cfg_handler)
