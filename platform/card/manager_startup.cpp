// The configuration the port manager sends the simulated manager when the
// card comes up, as the manager logs it (log 2): one set-port-configuration
// request for every front port with its answer, then a speed the first port
// cannot run, refused. The card's start-up history tells the same story.
// Logged only into an empty log: later runs of the shell go on with the log
// the first one started.
//
// Request entry: u32 if_index, u8 num_cfg, TLVs {u8 type, u8 len, value}
// (big-endian): port mode, admin speed, enable state, rate mode, and the
// receive credit and extended credit of E and TE ports.
#include <algorithm>

#include "eventlog_segment.h"
#include "manager_status.h"
#include "card.h"
#include "wire.h"

namespace pcfg_sim::card {
namespace {

constexpr uint32_t kOpcSetPortCfg = 395;
constexpr size_t kMaxRequest = 64u * 1024u - 48u;

enum : uint8_t {
    kCfgPortMode = 2,
    kCfgSpeed = 3,
    kCfgEnableState = 12,
    kCfgRxCredit = 25,
    kCfgExtCredit = 41,
    kCfgRateMode = 44,
};

enum : uint32_t {
    kModeE = 0x4,
    kModeTe = 0x8,
    kModeF = 0x20,
    kModeFl = 0x40,
    kModeFlNoPublicLoop = 0x80,
};

// The port modes the links come up in (as the start-up history shows them).
uint32_t mode_of(const SimPort &p) {
    switch (p.port_index % 8) {
    case 1: return kModeFl;
    case 5: return kModeFlNoPublicLoop;
    case 2: return kModeE;
    case 3: return kModeTe;
    default: return kModeF;
    }
}

void tlv32(Wire &w, uint8_t type, uint32_t v) { w.u8(type).u8(4).u32(v); }
void tlv8(Wire &w, uint8_t type, uint8_t v) { w.u8(type).u8(1).u8(v); }

}  // namespace

void eventlog_card_start() {
    if (!segment_empty()) return;  // the header tells; the messages are not read
    const std::vector<SimPort> &ports = state().ports;
    Wire request, answer;
    const auto n = static_cast<uint8_t>(std::min<size_t>(ports.size(), 255));
    request.u8(1).u8(n);
    answer.u8(1).u8(n);
    for (size_t i = 0; i < n; ++i) {
        const SimPort &p = ports[i];
        const bool isl = mode_of(p) == kModeE || mode_of(p) == kModeTe;
        request.u32(p.if_index).u8(isl ? 6 : 4);
        tlv32(request, kCfgPortMode, mode_of(p));
        tlv32(request, kCfgSpeed, p.speed);
        tlv8(request, kCfgEnableState, 1);
        tlv8(request, kCfgRateMode, i < 2 ? 1 : 2);  // dedicated bandwidth for the first two
        if (isl) {
            tlv32(request, kCfgRxCredit, 64);
            tlv32(request, kCfgExtCredit, 0);
        }
        answer.u32(p.if_index).u32(kStatusOk);
    }
    if (request.size() > kMaxRequest) return;  // more ports than one message holds
    eventlog_append(kLogRequest, kOpcSetPortCfg, request.take());
    eventlog_append(kLogReply, kOpcSetPortCfg, answer.take());
    if (ports.empty()) return;

    Wire speed, refused;
    speed.u8(1).u8(1).u32(ports[0].if_index).u8(1);
    tlv32(speed, kCfgSpeed, 20000);
    refused.u8(1).u8(1).u32(ports[0].if_index).u32(kStatusOutOfRange);
    eventlog_append(kLogRequest, kOpcSetPortCfg, speed.take());
    eventlog_append(kLogReply, kOpcSetPortCfg, refused.take());
}

}  // namespace pcfg_sim::card
