// Link Events Log (events 6, 7, 21, 22, 23): links coming up and going
// down, link reset results and FEC negotiation.
//
// Record, host byte order:
//    0  u32  if_index    port
//    4  u32  speed       speed code, named by the platform
//    8  u8   link_event  events 6 and 7: 1 up, 2 down, other values shown as a number
//    9  u8   reason      link-status reason code of a down event
//   12  u32  port_mode   port-mode bits of an up event
//   16  u8   fec_ok      event 23: 1 when FEC was negotiated
#include <array>
#include <cstdio>
#include <cstring>

#include "common/names.h"
#include "history/hist_logs.h"
#include "history/hist_text.h"
#include "pcfg_platform.h"

namespace pcfg::history {

using namespace pcfg::out;

namespace {

enum : uint16_t { kLinkResetOk = 21, kLinkResetFailed = 22, kFecNegotiation = 23 };
enum : uint8_t { kLinkUp = 1, kLinkDown = 2 };

constexpr size_t kSpeedSize = 8;

constexpr std::array<Named, 4> kModeNames{{
    {0x40, "FL"},
    {0x80, "FL Npt"},  // FL without a public loop device
    {0x100, "FL Npt"},
    {0xFE3F, "Not FL"},
}};

const char *mode_name(uint32_t bits) {
    return name_of(kModeNames, bits, "Unknown");
}

void speed_name(uint32_t speed, char (&out)[kSpeedSize]) {
    std::memset(out, 0, sizeof out);
    lc_get_portspeed_name(speed, out);
    out[kSpeedSize - 1] = '\0';
}

void reason_text(uint8_t reason, char (&out)[kTextSize]) {
    std::memset(out, 0, sizeof out);
    lc_get_portlinkstatus_reason(reason, out);
    out[kTextSize - 1] = '\0';
}


constexpr Field kPort = field<"port", Type::Str>("  %-14s");
constexpr Field kSpeed = field<"speed", Type::NamedUint>(" %-6s");
constexpr Field kEvent = field<"link_state", Type::Str>("%-7s");
constexpr Field kDetail = field<"detail", Type::Str>("%-24s");
constexpr Field kKind = field<"link_event", Type::Int>("%-5d");
constexpr Field kMode = json_only<"port_mode", Type::Uint>();
constexpr Field kReason = json_only<"reason_code", Type::Int>();
constexpr Field kFecOk = json_only<"fec_ok", Type::Int>();

}  // namespace

void link_events_log_heading(Writer &w) noexcept {
    w.line("*************** Port Config Link Events Log ***************");
    w.line("----                            ------        -----  -----  ------");
    w.line("Time                            PortNo        Speed  Event  Reason");
    w.line("----                            ------        -----  -----  ------");
}

int link_events_log_line(const HistLine &l, Writer &w) noexcept {
    const HostRecord &r = l.record;
    char speed[kSpeedSize] = "---";
    char reason[kTextSize];
    const char *event = nullptr;
    const char *text = nullptr;  // the detail column: a constant text or `reason`
    bool with_speed = false;
    Count n;
    n += print_port(w, kPort, r.u32(0));

    switch (l.event) {
    case kLinkResetOk:
    case kLinkResetFailed:
        speed_name(r.u32(4), speed);
        with_speed = true;
        event = " LR ";
        text = l.event == kLinkResetOk ? "Success" : "Failed";
        break;
    case kFecNegotiation: {
        const bool up = r.u8(16) == 1;
        n += w.put(kFecOk, r.u8(16));
        event = up ? "FEC_UP" : "FEC_DN";
        text = up ? "neg-succ" : "neg-fail";
        break;
    }
    default:  // 6 and 7: the record says what happened
        if (r.u8(8) == kLinkUp) {
            speed_name(r.u32(4), speed);
            with_speed = true;
            event = " UP ";
            text = mode_name(r.u32(12));  // every mode name fits the 45-byte mode text
            n += w.put(kMode, r.u32(12));
        } else if (r.u8(8) == kLinkDown) {
            event = "DOWN";
            reason_text(r.u8(9), reason);
            text = reason;
            n += w.put(kReason, r.u8(9));
        } else {
            n += w.text("---    ");
            n += w.put(kKind, r.u8(8));
            return n.n;
        }
        break;
    }
    if (with_speed)
        n += w.named(kSpeed, speed, r.u32(4));
    else
        n += w.absent(kSpeed, "---");
    n += w.str(kEvent, event);
    n += w.str(kDetail, text);
    return n.n;
}

}  // namespace pcfg::history
