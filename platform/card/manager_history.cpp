// The simulated manager's history recorder: builds the records of each log
// (host byte order, as the manager writes them on its own machine) and
// files them in the log's history instance.
#include "manager_history.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace pcfg_sim::card {
namespace {

enum Event : uint16_t {
    kCfgError = 0,
    kEnable = 1,
    kDisable = 2,
    kParticipating = 3,
    kOffline = 4,
    kLinkReset = 5,
    kLinkChange = 6,  // reported by the port
    kLinkFound = 7,   // found when the manager reads the port's status
    kTsCheckOn = 8,
    kTsCheckOff = 9,
    kTsValue = 10,
    kOfflineBlocked = 11,
    kText = 12,
    kMtsRecv = 13,
    kMtsSend = 14,
    kSerdesAdmin = 16,  // switched with the port's enable state
    kSerdesReset = 17,  // reset for a link reset
    kSerdesFec = 18,    // reprogrammed for a FEC state
    kBandwidthConfig = 19,
    kBandwidthRelease = 20,
    kLinkResetOk = 21,
    kLinkResetFailed = 22,
    kFecNegotiation = 23,
};

// The history instance of each event's log (-1: no such event).
constexpr std::array<int8_t, 24> kInstanceOf{
    0,                 // 0 Error Log
    1, 1, 1, 1, 1,     // 1-5 Port Control Log
    2, 2,              // 6, 7 Link Events Log
    3, 3, 3,           // 8-10 Timestamp Log
    1,                 // 11 Port Control Log
    4,                 // 12 Event Log
    5, 5,              // 13, 14 MTS Event Log
    -1,                // 15
    6, 6, 6,           // 16-18 Serdes Control Log
    7, 7,              // 19, 20 bandwidth reservations (Port Control layout)
    2, 2, 2,           // 21-23 Link Events Log
};

// Configuration types the recorder treats apart.
enum : uint8_t { kCfgParticipating = 11, kCfgEnableState = 12, kCfgRateMode = 44, kCfgFec = 175 };
constexpr uint32_t kRateFull = 1;

// Link-status reasons (the platform's reason codes).
enum : uint8_t {
    kReasonLinkReset = 3,
    kReasonTransceiverRemoved = 33,
};

// Port-mode bits of a link that came up.
constexpr uint32_t kModeFl = 0x40;
constexpr uint32_t kModeFlNoPublicLoop = 0x80;
constexpr uint32_t kModeNotFl = 0xFE3F;

// Platform error codes the start-up history shows.
constexpr int32_t kErrInvalidArg = 0x40290001;
constexpr int32_t kErrTimedOut = 0x40290008;
constexpr int32_t kErrOutOfRange = 0x40290009;
constexpr int32_t kErrPortNotPresent = 0x4029000B;
constexpr int32_t kErrFecUnsupported = 0x4029000D;

constexpr size_t kMaxText = 127;

// A record in the host's byte order.
class Record {
public:
    explicit Record(size_t size) : bytes_(size, 0) {}
    Record &u8(size_t off, uint8_t v) {
        if (off < bytes_.size()) bytes_[off] = v;
        return *this;
    }
    Record &u32(size_t off, uint32_t v) {
        if (off + sizeof v <= bytes_.size()) std::memcpy(bytes_.data() + off, &v, sizeof v);
        return *this;
    }
    std::span<const uint8_t> bytes() const { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
};

// Request/response tokens: the transport numbers the requests it carries
// from 0x1000 on, one per request the manager receives; a reply carries the
// token of the request it answers.
struct Recorder {
    uint32_t next_token = 0x1000;
    uint32_t answering = 0;
};

Recorder &recorder() {
    static Recorder r;
    return r;
}

void file(uint32_t when, Event event, const Record &r) {
    const int8_t instance = kInstanceOf[event];
    if (instance >= 0)
        history_record_at(static_cast<uint32_t>(instance), kHistoryId << 16 | event, r.bytes(),
                          when);
}

// Port Control Log: 0 if_index, 4 error.
void port_action(uint32_t when, const SimPort &p, Event event, int32_t error) {
    file(when, event, Record(8).u32(0, p.if_index).u32(4, static_cast<uint32_t>(error)));
}

// Link Events Log: 0 if_index, 4 speed, 8 link_event, 9 reason, 12 port_mode, 16 fec_ok.
void link_event(uint32_t when, const SimPort &p, Event event, uint8_t kind, uint8_t reason,
                uint32_t mode, uint8_t fec_ok) {
    file(when, event,
         Record(17).u32(0, p.if_index).u32(4, p.speed).u8(8, kind).u8(9, reason).u32(12, mode)
             .u8(16, fec_ok));
}

uint32_t mode_of(const SimPort &p) {
    switch (p.port_index % 8) {
    case 1: return kModeFl;
    case 5: return kModeFlNoPublicLoop;
    default: return kModeNotFl;
    }
}

void link_up(uint32_t when, const SimPort &p, Event event) {
    link_event(when, p, event, 1, 0, mode_of(p), 0);
}

void link_down(uint32_t when, const SimPort &p, uint8_t reason) {
    link_event(when, p, kLinkChange, 2, reason, 0, 0);
}

// Serdes Control Log: 0 if_index, 4 action (1 enable, 2 disable), 8 error
// (negative platform code).
void serdes(uint32_t when, uint32_t if_index, Event event, bool enable, int32_t error) {
    file(when, event,
         Record(12).u32(0, if_index).u8(4, enable ? 1 : 2).u32(8, static_cast<uint32_t>(error)));
}

// Error Log: 0 if_index, 4 cfg_type, 8 value, 12 error.
void config_error(uint32_t when, const SimPort &p, uint8_t type, uint32_t value, int32_t error) {
    file(when, kCfgError,
         Record(16).u32(0, p.if_index).u8(4, type).u32(8, value)
             .u32(12, static_cast<uint32_t>(error)));
}

// Timestamp Log: 0 value (event 10).
void timestamp(uint32_t when, Event event, uint32_t value = 0) {
    file(when, event, Record(4).u32(0, value));
}

// Event Log: a zero-terminated text.
void text(uint32_t when, std::string_view t) {
    t = t.substr(0, kMaxText);
    Record r(t.size() + 1);
    for (size_t i = 0; i < t.size(); ++i) r.u8(i, static_cast<uint8_t>(t[i]));
    file(when, kText, r);
}

// MTS Event Log: 0 opcode, 4 rr_token.
void mts(uint32_t when, Event event, uint32_t opcode, uint32_t token) {
    file(when, event, Record(8).u32(0, opcode).u32(4, token));
}

void fec(uint32_t when, const SimPort &p, bool enable) {
    serdes(when, p.if_index, kSerdesFec, enable, 0);
    link_event(when, p, kFecNegotiation, 0, 0, 0, enable && p.link_up ? 1 : 0);
}

void link_reset(uint32_t when, const SimPort &p, int32_t error, int32_t serdes_error = 0) {
    port_action(when, p, kLinkReset, error);
    serdes(when, p.if_index, kSerdesReset, true, serdes_error);
    link_event(when, p, error == 0 ? kLinkResetOk : kLinkResetFailed, 0, 0, 0, 0);
}

// The port's short name, as the card names it (fc<slot>/<port>).
std::string name_of(const SimPort &p) {
    char name[16];
    snprintf(name, sizeof name, "fc%u/%u", ((p.if_index >> 20) & 0xFu) + 1u,
             unsigned{p.port_index} + 1u);
    return name;
}

}  // namespace

void hist_on_mts(uint32_t opcode, bool send) {
    Recorder &r = recorder();
    if (!send) r.answering = r.next_token++;
    mts(state().now, send ? kMtsSend : kMtsRecv, opcode, r.answering);
}

void hist_on_config(const SimPort &port, uint8_t cfg_type, uint32_t value, int32_t error) {
    const uint32_t now = state().now;
    if (error != 0) {
        config_error(now, port, cfg_type, value, error);
        return;
    }
    switch (cfg_type) {
    case kCfgFec:
        fec(now, port, value != 0);
        break;
    case kCfgRateMode:
        port_action(now, port, value == kRateFull ? kBandwidthConfig : kBandwidthRelease, 0);
        break;
    case kCfgParticipating:
        port_action(now, port, kParticipating, 0);
        break;
    case kCfgEnableState:
        break;  // recorded by hist_on_admin
    default: {
        char t[kMaxText + 1];
        snprintf(t, sizeof t, "%s: configuration type %u set to %u (0x%x)", name_of(port).c_str(),
                 unsigned{cfg_type}, value, value);
        text(now, t);
        break;
    }
    }
}

void hist_on_admin(const SimPort &port, bool enable) {
    port_action(state().now, port, enable ? kEnable : kDisable, 0);
    serdes(state().now, port.if_index, kSerdesAdmin, enable, 0);
}

void hist_on_link(const SimPort &port, bool up, uint8_t reason) {
    if (up)
        link_up(state().now, port, kLinkChange);
    else
        link_down(state().now, port, reason);
}

void hist_on_link_reset(const SimPort &port, int32_t error) {
    link_reset(state().now, port, error);
}

void hist_on_offline(const SimPort &port, bool blocked) {
    port_action(state().now, port, blocked ? kOfflineBlocked : kOffline, 0);
}

void hist_on_ts_check(bool enable) { timestamp(state().now, enable ? kTsCheckOn : kTsCheckOff); }

void hist_on_ts_value(uint32_t value) { timestamp(state().now, kTsValue, value); }

void hist_on_text(std::string_view t) { text(state().now, t); }

void hist_on_card_start() {
    recorder() = Recorder{};
    const Card &c = state();
    const std::vector<SimPort> &ports = c.ports;
    const uint32_t t0 = c.now - 300;  // the card came up five minutes ago
    char t[kMaxText + 1];

    snprintf(t, sizeof t, "Port Config manager started on slot %u with %zu front ports",
             c.config.slot, ports.size());
    text(t0, t);
    timestamp(t0, kTsCheckOn);
    timestamp(t0, kTsValue, 0x05F5E100);

    // The port manager's start-up configuration: every port enabled.
    mts(t0 + 1, kMtsRecv, 395, 0x0101);
    for (const SimPort &p : ports) {
        port_action(t0 + 1, p, kEnable, 0);
        serdes(t0 + 1, p.if_index, kSerdesAdmin, true, 0);
    }
    mts(t0 + 1, kMtsSend, 395, 0x0101);
    // A port the configuration names but the card does not have.
    serdes(t0 + 1, make_if_index(c.config.slot, static_cast<uint8_t>(ports.size())),
           kSerdesAdmin, true, -kErrPortNotPresent);

    for (const SimPort &p : ports)
        if (p.link_up) link_up(t0 + 3, p, kLinkFound);
    mts(t0 + 3, kMtsSend, 399, 0x0102);

    // Dedicated bandwidth for the first two ports; FEC negotiated on the
    // first, refused at the second one's speed.
    const size_t n = ports.size();
    for (size_t i = 0; i < n && i < 2; ++i) port_action(t0 + 10, ports[i], kBandwidthConfig, 0);
    if (n >= 1) fec(t0 + 12, ports[0], true);
    if (n >= 2) {
        config_error(t0 + 12, ports[1], kCfgFec, 1, kErrFecUnsupported);
        link_event(t0 + 12, ports[1], kFecNegotiation, 0, 0, 0, 0);
    }
    if (n >= 3) {  // a link reset that brings the link back
        link_down(t0 + 60, ports[2], kReasonLinkReset);
        link_reset(t0 + 60, ports[2], 0);
        link_up(t0 + 61, ports[2], kLinkChange);
    }
    if (n >= 4) {  // a transceiver pulled and put back
        link_down(t0 + 90, ports[3], kReasonTransceiverRemoved);
        config_error(t0 + 90, ports[3], kCfgEnableState, 7, kErrInvalidArg);
        link_reset(t0 + 91, ports[3], kErrTimedOut, 5);
        link_reset(t0 + 95, ports[3], 0);
        link_up(t0 + 96, ports[3], kLinkChange);
    }
    if (n >= 1) config_error(t0 + 120, ports[0], 3, 20000, kErrOutOfRange);  // beyond its speeds
    timestamp(t0 + 200, kTsValue, 0x0BEBC200);
    if (n >= 2) port_action(t0 + 240, ports[1], kBandwidthRelease, 0);
    snprintf(t, sizeof t, "Start-up configuration complete: %zu of %zu ports up",
             static_cast<size_t>(std::count_if(ports.begin(), ports.end(),
                                               [](const SimPort &p) { return p.link_up; })),
             ports.size());
    text(t0 + 240, t);
}

}  // namespace pcfg_sim::card
