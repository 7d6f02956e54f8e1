// Port counters request port_cntr_req: opcode 3120
// (show_get_port_counters_handler) and the one-port-counter decoder
// (show_get_one_port_counter_handler, no opcode of its own).
//
// Payload (big-endian, packed), 9 bytes:
//   0  u8  aggr          counter set: 0 aggregate, 1 current
//   1  u32 type_of_cntr  counter class
//   5  u32 if_index      port
#include <array>
#include <cstdio>

#include "common/names.h"
#include "decode/decode_common.h"

using pcfg::BeReader;
using namespace pcfg::decode;

namespace {

constexpr size_t kPortCntrReqLen = 9;

// Counter classes by type_of_cntr; 0 and every value above the table are
// invalid.
constexpr const char *kInvalidCntrType = " type_of_cntr: SYSERR_PM_INVALID_ARG";
constexpr std::array<const char *, 8> kCntrTypes{
    kInvalidCntrType,                             // 0
    " type_of_cntr: MAC_STAT_CNTR_TYPE_ALL",      // 1
    " type_of_cntr: MAC_STAT_CNTR_TYPE_ALL",      // 2
    " type_of_cntr: MAC_STAT_CNTR_TYPE_CLASS_2",  // 3
    " type_of_cntr: MAC_STAT_CNTR_TYPE_CLASS_3",  // 4
    " type_of_cntr: MAC_STAT_CNTR_TYPE_CLASS_F",  // 5
    " type_of_cntr: MAC_STAT_CNTR_TYPE_CLASS_F",  // 6
    " type_of_cntr: MAC_STAT_CNTR_TYPE_IF_ENTRY", // 7
};

const char *cntr_type_text(uint32_t type_of_cntr) noexcept {
    return pcfg::name_at(kCntrTypes, type_of_cntr, kInvalidCntrType);
}

struct PortCntrReq {
    uint8_t aggr;
    uint32_t type_of_cntr;
    uint32_t if_index;
};

// Reads the request, or prints the short-payload line and gives false.
bool read_port_cntr_req(const pcfg_logged_msg_t *msg, PortCntrReq &req) noexcept {
    BeReader p = open_logged_msg(msg).payload;
    if (!has_fixed_part(p, kPortCntrReqLen)) return false;
    req.aggr = p.u8();
    req.type_of_cntr = p.u32();
    req.if_index = p.u32();
    return true;
}

}  // namespace

// Prints nothing for a port the port map does not know.
extern "C" void show_get_port_counters_handler(const pcfg_logged_msg_t *msg) noexcept {
    PortCntrReq req;
    if (!read_port_cntr_req(msg, req)) return;
    const auto port = port_of(req.if_index);
    if (!port) return;
    printf("%saggr:%s if_index:%x port:%d ", pcfg_show_indent, aggr_name(req.aggr),
           static_cast<unsigned>(req.if_index), static_cast<int32_t>(*port));
    printf("%s\n", cntr_type_text(req.type_of_cntr));
}

// The counter class is not shown; nothing for an unknown port.
extern "C" void show_get_one_port_counter_handler(const pcfg_logged_msg_t *msg) noexcept {
    PortCntrReq req;
    if (!read_port_cntr_req(msg, req)) return;
    if (const auto port = port_of(req.if_index))
        printf("%saggr:%s if_index:%x port:%d\n", pcfg_show_indent, aggr_name(req.aggr),
               static_cast<unsigned>(req.if_index), static_cast<int32_t>(*port));
}
