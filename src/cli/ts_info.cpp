// Timestamp settings of one port (command 13).
//
// The settings come from the platform's service call 380, which fills a
// 32-byte record in host byte order (it never crosses the wire, so a host
// struct is laid over it):
//    0 u8   port index (filled by the caller)
//    1 u8   linecard time stamp enabled         flags: 0 "no", 255 line
//    2 u8   loopback time stamp enabled         left out, anything else
//    3 u8   receive normal path time stamp      "yes"
//    4 u8   transmit time out enabled
//    5 u8   transmit force time out enabled
//    6 u8   som time out enabled
//    7 u8   (not used)
//    8 u32  fast time out value, ms
//   12 u32  normal time out value, ms
//   16 u32  current time, 10 ms units
//   20 u32  new time, 10 ms units
//   24 u32  time stamp enabled jiffies
//   28 u32  time stamp disabled jiffies
#include <array>
#include <cstddef>
#include <cstdio>

#include "cli/commands.h"
#include "common/names.h"
#include "common/params.h"
#include "pcfg_platform.h"

using namespace pcfg;
using namespace pcfg::out;

namespace {

constexpr const char *kOp = "port_cfg_show_port_ts_info";
constexpr uint32_t kSvcPortTsInfo = 380;
constexpr uint8_t kFlagNotShown = 0xFF;

struct pcfg_port_ts_info_t {
    uint8_t port_index;
    std::array<uint8_t, 6> flags;
    uint8_t unused;
    uint32_t fast_timeout_ms;
    uint32_t normal_timeout_ms;
    uint32_t current_time;
    uint32_t new_time;
    uint32_t ts_enabled_jiffies;
    uint32_t ts_disabled_jiffies;
};
static_assert(sizeof(pcfg_port_ts_info_t) == 32);
static_assert(offsetof(pcfg_port_ts_info_t, flags) == 1);
static_assert(offsetof(pcfg_port_ts_info_t, fast_timeout_ms) == 8);
static_assert(offsetof(pcfg_port_ts_info_t, ts_disabled_jiffies) == 28);

// Labels are padded to 40 columns; no line exceeds 78 characters. The
// first flag's line is set apart from the others.
constexpr std::array<Field, 6> kFlags{
    field<"linecard_time_stamp_enabled", Type::NamedUint>("linecard time stamp enabled              = %s\n\n"),
    field<"loopback_time_stamp_enabled", Type::NamedUint>("loopback time stamp enabled              = %s\n"),
    field<"receive_normal_path_time_stamp_enabled", Type::NamedUint>("receive normal path time stamp enabled   = %s\n"),
    field<"transmit_time_out_enabled", Type::NamedUint>("transmit time out enabled                = %s\n"),
    field<"transmit_force_time_out_enabled", Type::NamedUint>("transmit force time out enabled          = %s\n"),
    field<"som_time_out_enabled", Type::NamedUint>("som time out enabled                     = %s\n"),
};

constexpr Field kBanner =
    field<"port", Type::Int>("**************** port %d timestamp information ****************\n\n");
constexpr Field kFast =
    field<"fast_time_out_ms", Type::Int>("fast time out value                      = %d ms\n", Unit::Ms);
constexpr Field kNormal = field<"normal_time_out_ms", Type::Int>("normal time out value                    = %d ms\n", Unit::Ms);
constexpr Field kCurrent = field<"current_time_10ms", Type::Uint>("current time                             = 0x%x 10ms\n", Unit::TenMs);
constexpr Field kNew =
    field<"new_time_10ms", Type::Uint>("new time                                 = 0x%x 10ms\n", Unit::TenMs);
constexpr Field kDiff = field<"time_difference_ms", Type::Int>("time difference (new - current)          = %d ms\n", Unit::Ms);
constexpr Field kEnabled = field<"time_stamp_enabled_jiffies", Type::Uint>("time stamp enabled jiffies               = 0x%x\n", Unit::Jiffies);
constexpr Field kDisabled = field<"time_stamp_disabled_jiffies", Type::Uint>("time stamp disabled jiffies              = 0x%x\n\n", Unit::Jiffies);

// What a failed service call's result says, before ", port = ... rc = ...".
constexpr std::array<Named, 2> kServiceErrors{{
    {static_cast<uint32_t>(-0x4029000B), "port not present"},
    {static_cast<uint32_t>(-0x40290016), "port access error"},
}};

void print_failure(int32_t rc, int port, Writer &w) {
    w.fail(Fail::PlatformFailed, "%s, port = %d rc = %d\n\n",
           name_of(kServiceErrors, static_cast<uint32_t>(rc),
                   "failed to retrieve time stamp information"),
           port, rc);
}

void print_record(const pcfg_port_ts_info_t &rec, Writer &w) {
    w.put(kBanner, rec.port_index + 1u);
    for (size_t i = 0; i < kFlags.size(); ++i) {
        const uint8_t flag = rec.flags[i];
        if (flag == kFlagNotShown) continue;
        w.named(kFlags[i], flag != 0 ? "yes" : "no", flag);
    }
    w.put(kFast, rec.fast_timeout_ms);
    w.put(kNormal, rec.normal_timeout_ms);
    w.put(kCurrent, rec.current_time);
    w.put(kNew, rec.new_time);
    // Unsigned arithmetic wraps like the card's 32-bit registers do.
    w.put(kDiff, (rec.new_time - rec.current_time) * 10u);
    w.put(kEnabled, rec.ts_enabled_jiffies);
    w.put(kDisabled, rec.ts_disabled_jiffies);
}

}  // namespace

template <>
void pcfg::run_command<PCFG_CMD_PORT_TS_INFO>(const cli_param_block &params, Writer &w) noexcept {
    pcfg_port_ts_info_t rec{};
    const auto typed = token_number(params, PCFG_PARAM_PORT, Pick::Last);
    if (!typed) {
        w.fail(Fail::InvalidPort, "%s(): invalid port:%d\n", kOp, -1);
        return;
    }
    // A port typed as 0 wraps to index 255, which the service refuses.
    rec.port_index = static_cast<uint8_t>(port_index_of(*typed));
    const int32_t rc = sse_call(kSvcPortTsInfo, &rec);
    if (rc != 0) {
        print_failure(rc, rec.port_index + 1, w);
        return;
    }
    print_record(rec, w);
}
