// Link status, opcode 399 (show_link_status_handler).
//
// Payload (big-endian, packed), 19 bytes:
//   0  u8  num_ports
//   1  u32 if_index
//   5  u8  link_status           index into the status names
//   6  u8  link_status_reason    index into the reason names
//   7  u32 port_mode_determined
//  11  u32 oper_speed
//  15  u8  port_module_type
//  16  u8  port_tx_type
//  17  u8  flogi_needed
//  18  u8  tl_port_init
#include <array>

#include "common/names.h"
#include "decode/decode_common.h"

using pcfg::BeReader;
using namespace pcfg::decode;
using namespace pcfg::out;

namespace {

constexpr std::array<const char *, 7> kLinkStatusNames{
    "LINK_STATUS_NONE",              // 0
    "LINK_STATUS_SUCCESS",           // 1
    "LINK_STATUS_NOT_CONNECTED",     // 2
    "LINK_STATUS_FAILURE",           // 3
    "LINK_STATUS_ADMIN_DOWN",        // 4
    "LINK_STATUS_PMON_ERROR_DISABLE",// 5
    "LINK_STATUS_PMON_FLAPPORT",     // 6
};

constexpr std::array<const char *, 39> kLinkStatusReasonNames{
    "LINK_STATUS_REASON_NONE",                              // 0
    "LINK_STATUS_REASON_LINK_INIT_SUCCESS",                 // 1
    "LINK_STATUS_REASON_LOOP_INIT_SUCCESS",                 // 2
    "LINK_STATUS_REASON_LINK_RESET_OCCURRED",               // 3
    "LINK_STATUS_REASON_PORT_INIT_FAILED",                  // 4
    "LINK_STATUS_REASON_PORT_UNUSABLE",                     // 5
    "LINK_STATUS_REASON_LOSS_OF_SIGNAL",                    // 6
    "LINK_STATUS_REASON_LOSS_OF_SYNC",                      // 7
    "LINK_STATUS_REASON_PEER_FCIP_CLOSED_TCP_CONNECTION",   // 8
    "LINK_STATUS_REASON_PEER_FCIP_RESET_TCP_CONNECTION",    // 9
    "LINK_STATUS_REASON_TCP_MAX_RETRANSMISSIONS",           // 10
    "LINK_STATUS_REASON_TCP_KEEP_ALIVE_TIMER_EXPIRED",      // 11
    "LINK_STATUS_REASON_TCP_PERSIST_TIMER_EXPIRED",         // 12
    "LINK_STATUS_REASON_ETHERNET_LINK_DOWN",                // 13
    "LINK_STATUS_REASON_ETHERNET_INTERFACE_DOWN",           // 14
    "LINK_STATUS_REASON_ADMIN_CONFIG_CHANGE",               // 15
    "LINK_STATUS_REASON_NOS_RCVD",                          // 16
    "LINK_STATUS_REASON_OLS_RCVD",                          // 17
    "LINK_STATUS_REASON_DEBOUNCE_TIMEOUT",                  // 18
    "LINK_STATUS_REASON_LR_RCVD_B2B",                       // 19
    "LINK_STATUS_REASON_CREDIT_LOSS",                       // 20
    "LINK_STATUS_REASON_RX_QUE_OVERFLOW",                   // 21
    "LINK_STATUS_REASON_USER_REQ",                          // 22
    "LINK_STATUS_REASON_TOO_MANY_INTR",                     // 23
    "LINK_STATUS_REASON_BIT_ERR_RT_THRES_EXCEEDED",         // 24
    "LINK_STATUS_REASON_LIP_F8_RCVD",                       // 25
    "LINK_STATUS_REASON_LINE_CARD_PORT_SHUTDOWN",           // 26
    "LINK_STATUS_REASON_LIP_RCVD_B2B",                      // 27
    "LINK_STATUS_REASON_OPNY_TMO_B2B",                      // 28
    "LINK_STATUS_REASON_OPNY_RET_B2B",                      // 29
    "LINK_STATUS_REASON_CREDIT_LOSS_B2B",                   // 30
    "LINK_STATUS_REASON_FRAME_FLOW_HALTED_TOO_LONG",        // 31
    "LINK_STATUS_REASON_MAC_ERR",                           // 32
    "LINK_STATUS_REASON_GBIC_REMOVED",                      // 33
    "LINK_STATUS_REASON_GBIC_INSERTED",                     // 34
    "LINK_STATUS_REASON_LRR_RCVD_B2B",                      // 35
    "LINK_STATUS_REASON_LINK_RESET_SUCCESS",                // 36
    "LINK_STATUS_REASON_PORT_DISABLE",                      // 37
    "LINK_STATUS_REASON_LINK_RESET_FAILED",                 // 38
};


// The lines of a link status, in the order they show.
constexpr Field kPort = indented<"port", Type::Int>("%sport:%d");
constexpr Field kNumPorts = field<"num_ports", Type::Int>(" num_ports:%d");
constexpr Field kIfIndex = field<"if_index", Type::Uint>(" if_index:0x%x\n");
constexpr Field kReason = indented<"link_status_reason", Type::NamedInt>("%slink_status_reason:%s (%d)");
constexpr Field kSpeed = field<"speed", Type::Int>(", speed:%d\n");
constexpr Field kStatus = indented<"link_status", Type::NamedInt>("%slink_status:%s (%d)");
constexpr Field kPortMode = field<"port_mode_determined", Type::Uint>(", port_mode_determined:0x%x\n");
constexpr Field kOperSpeed = indented<"oper_speed", Type::Int>("%soper_speed:%d");
constexpr Field kModuleType = field<"port_module_type", Type::Int>(", port_module_type:%d");
constexpr Field kTxType = field<"port_tx_type", Type::Int>(", port_tx_type:%d");
constexpr Field kFlogi = indented<"flogi_needed", Type::Int>("%sflogi_needed:%d");
constexpr Field kTlPortInit = field<"tl_port_init", Type::Int>(", tl_port_init:%d\n");

}  // namespace

// Prints nothing for a port the port map does not know.
template <>
void pcfg::decode::decode<show_link_status_handler>(const pcfg_logged_msg_t *msg,
                                                    Writer &w) noexcept {
    BeReader p = open_logged_msg(msg).payload;
    if (!has_fixed_part(p, 19, w)) return;
    const uint8_t num_ports = p.u8();
    const uint32_t if_index = p.u32();
    const uint8_t link_status = p.u8();
    const uint8_t reason = p.u8();
    const uint32_t port_mode = p.u32();
    const uint32_t oper_speed = p.u32();
    const uint8_t module_type = p.u8();
    const uint8_t tx_type = p.u8();
    const uint8_t flogi_needed = p.u8();
    const uint8_t tl_port_init = p.u8();
    const auto port = port_of(if_index);
    if (!port) return;
    // Codes above a table show "UNKNOWN"; the number itself is still shown.
    w.put(kPort, *port);
    w.put(kNumPorts, num_ports);
    w.put(kIfIndex, if_index);
    w.named(kReason, pcfg::name_at(kLinkStatusReasonNames, reason, "UNKNOWN"), reason);
    w.put(kSpeed, oper_speed);
    w.named(kStatus, pcfg::name_at(kLinkStatusNames, link_status, "UNKNOWN"), link_status);
    w.put(kPortMode, port_mode);
    w.put(kOperSpeed, oper_speed);
    w.put(kModuleType, module_type);
    w.put(kTxType, tx_type);
    w.put(kFlogi, flogi_needed);
    w.put(kTlPortInit, tl_port_init);
}

PCFG_TEXT_DECODER(show_link_status_handler)
