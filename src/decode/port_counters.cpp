// Port counters request port_cntr_req: opcode 3120
// (show_get_port_counters_handler) and the one-port-counter decoder
// (show_get_one_port_counter_handler, no opcode of its own).
//
// Payload (big-endian, packed), 9 bytes:
//   0  u8  aggr          counter set: 0 aggregate, 1 current
//   1  u32 type_of_cntr  counter class
//   5  u32 if_index      port
#include <array>

#include "common/names.h"
#include "decode/decode_common.h"

using pcfg::BeReader;
using namespace pcfg::decode;
using namespace pcfg::out;

namespace {

constexpr size_t kPortCntrReqLen = 9;

// Counter classes by type_of_cntr; 0 and every value above the table are
// invalid.
constexpr const char *kInvalidCntrType = "SYSERR_PM_INVALID_ARG";
constexpr std::array<const char *, 8> kCntrTypes{
    kInvalidCntrType,                // 0
    "MAC_STAT_CNTR_TYPE_ALL",        // 1
    "MAC_STAT_CNTR_TYPE_ALL",        // 2
    "MAC_STAT_CNTR_TYPE_CLASS_2",    // 3
    "MAC_STAT_CNTR_TYPE_CLASS_3",    // 4
    "MAC_STAT_CNTR_TYPE_CLASS_F",    // 5
    "MAC_STAT_CNTR_TYPE_CLASS_F",    // 6
    "MAC_STAT_CNTR_TYPE_IF_ENTRY",   // 7
};

constexpr Field kAggr = indented<"aggr", Type::NamedInt>("%saggr:%s");
constexpr Field kIfIndex = field<"if_index", Type::Uint>(" if_index:%x");
constexpr Field kPortThenMore = field<"port", Type::Int>(" port:%d ");
constexpr Field kPortLast = field<"port", Type::Int>(" port:%d\n");
constexpr Field kType = field<"type_of_cntr", Type::NamedUint>(" type_of_cntr: %s\n");
// The request of a port the port map does not know prints nothing.
constexpr Field kUnknownIfIndex = json_only<"if_index", Type::Uint>();
constexpr Field kUnknownPort = json_only<"port", Type::Int>();

struct PortCntrReq {
    uint8_t aggr;
    uint32_t type_of_cntr;
    uint32_t if_index;
};

// Reads the request, or prints the short-payload line and gives false.
bool read_port_cntr_req(const pcfg_logged_msg_t *msg, PortCntrReq &req, Writer &w) noexcept {
    BeReader p = open_logged_msg(msg).payload;
    if (!has_fixed_part(p, kPortCntrReqLen, w)) return false;
    req.aggr = p.u8();
    req.type_of_cntr = p.u32();
    req.if_index = p.u32();
    return true;
}

// The counter set, the interface and its port; false for an unknown port.
bool print_port(const PortCntrReq &req, const Field &port_field, Writer &w) {
    const auto port = port_of(req.if_index);
    if (!port) {
        w.put(kUnknownIfIndex, req.if_index);
        w.absent(kUnknownPort, "");
        return false;
    }
    w.named(kAggr, aggr_name(req.aggr), req.aggr);
    w.put(kIfIndex, req.if_index);
    w.put(port_field, *port);
    return true;
}

}  // namespace

template <>
void pcfg::decode::decode<show_get_port_counters_handler>(const pcfg_logged_msg_t *msg,
                                                          Writer &w) noexcept {
    PortCntrReq req;
    if (!read_port_cntr_req(msg, req, w) || !print_port(req, kPortThenMore, w)) return;
    w.named(kType, pcfg::name_at(kCntrTypes, req.type_of_cntr, kInvalidCntrType), req.type_of_cntr);
}

// The counter class is not shown.
template <>
void pcfg::decode::decode<show_get_one_port_counter_handler>(const pcfg_logged_msg_t *msg,
                                                             Writer &w) noexcept {
    PortCntrReq req;
    if (read_port_cntr_req(msg, req, w)) print_port(req, kPortLast, w);
}

PCFG_TEXT_DECODER(show_get_port_counters_handler)
PCFG_TEXT_DECODER(show_get_one_port_counter_handler)
