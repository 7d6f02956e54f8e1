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

namespace {

constexpr const char *kOp = "port_cfg_show_port_ts_info";
constexpr uint32_t kSvcPortTsInfo = 380;
constexpr uint8_t kFlagNotShown = 0xFF;
constexpr size_t kLineLen = 79;  // a line never exceeds 78 characters

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

constexpr std::array<const char *, 6> kFlagLabels{
    "linecard time stamp enabled",
    "loopback time stamp enabled",
    "receive normal path time stamp enabled",
    "transmit time out enabled",
    "transmit force time out enabled",
    "som time out enabled",
};

// What a failed service call's result says, before ", port = ... rc = ...".
constexpr std::array<Named, 2> kServiceErrors{{
    {static_cast<uint32_t>(-0x4029000B), "port not present"},
    {static_cast<uint32_t>(-0x40290016), "port access error"},
}};

using Line = std::array<char, kLineLen>;

void print_failure(int32_t rc, int port) {
    printf("%s, port = %d rc = %d\n\n",
           name_of(kServiceErrors, static_cast<uint32_t>(rc),
                   "failed to retrieve time stamp information"),
           port, rc);
}

void print_record(const pcfg_port_ts_info_t &rec) {
    Line line{};
    printf("**************** port %d timestamp information ****************\n\n",
           rec.port_index + 1);
    for (size_t i = 0; i < kFlagLabels.size(); ++i) {
        const uint8_t flag = rec.flags[i];
        if (flag == kFlagNotShown) continue;
        snprintf(line.data(), line.size(), "%-40s = %s", kFlagLabels[i], flag != 0 ? "yes" : "no");
        // The first flag's line is set apart from the others.
        printf("%s\n%s", line.data(), i == 0 ? "\n" : "");
    }
    snprintf(line.data(), line.size(), "%-40s = %d ms", "fast time out value",
             static_cast<int32_t>(rec.fast_timeout_ms));
    printf("%s\n", line.data());
    snprintf(line.data(), line.size(), "%-40s = %d ms", "normal time out value",
             static_cast<int32_t>(rec.normal_timeout_ms));
    printf("%s\n", line.data());
    snprintf(line.data(), line.size(), "%-40s = 0x%x 10ms", "current time",
             static_cast<unsigned>(rec.current_time));
    printf("%s\n", line.data());
    snprintf(line.data(), line.size(), "%-40s = 0x%x 10ms", "new time",
             static_cast<unsigned>(rec.new_time));
    printf("%s\n", line.data());
    // Unsigned arithmetic wraps like the card's 32-bit registers do.
    const uint32_t diff_ms = (rec.new_time - rec.current_time) * 10u;
    snprintf(line.data(), line.size(), "%-40s = %d ms", "time difference (new - current)",
             static_cast<int32_t>(diff_ms));
    printf("%s\n", line.data());
    snprintf(line.data(), line.size(), "%-40s = 0x%x", "time stamp enabled jiffies",
             static_cast<unsigned>(rec.ts_enabled_jiffies));
    printf("%s\n", line.data());
    snprintf(line.data(), line.size(), "%-40s = 0x%x", "time stamp disabled jiffies",
             static_cast<unsigned>(rec.ts_disabled_jiffies));
    printf("%s\n\n", line.data());
}

}  // namespace

template <>
void pcfg::run_command<PCFG_CMD_PORT_TS_INFO>(const cli_param_block &params) noexcept {
    pcfg_port_ts_info_t rec{};
    const auto typed = token_number(params, PCFG_PARAM_PORT, Pick::Last);
    if (!typed) {
        printf("%s(): invalid port:%d\n", kOp, -1);
        return;
    }
    // A port typed as 0 wraps to index 255, which the service refuses.
    rec.port_index = static_cast<uint8_t>(port_index_of(*typed));
    const int32_t rc = sse_call(kSvcPortTsInfo, &rec);
    if (rc != 0) {
        print_failure(rc, rec.port_index + 1);
        return;
    }
    print_record(rec);
}
