// The stand-in platform's service call, sse_call.
//
// Function 380 fills a port's 32-byte timestamp record, in host byte order
// (the record never leaves the card):
//    0 u8  port index (the caller's)   8 u32 fast time-out, ms
//    1 u8  six flags, 1 to 6           12 u32 normal time-out, ms
//    7 u8  not used                    16 u32 current time, 10 ms units
//                                      20 u32 new time, 10 ms units
//                                      24 u32 time stamp enabled jiffies
//                                      28 u32 time stamp disabled jiffies
#include <cstring>

#include "card_client.h"
#include "sim_state.h"

using namespace pcfg_sim::detail;

namespace {

constexpr int32_t kNoService = -38;  // ENOSYS: the function is not served
constexpr uint32_t kSvcPortTsInfo = 380;
constexpr int32_t kErrInvalidArg = -0x40290001;
constexpr int32_t kErrPortNotPresent = -0x4029000B;
constexpr uint32_t kTicksPerSecond = 100;  // the record's times count 10 ms

void put_u32(uint8_t *rec, size_t off, uint32_t v) { std::memcpy(rec + off, &v, sizeof v); }

int32_t port_ts_info(void *record) {
    if (record == nullptr) return kErrInvalidArg;
    auto *rec = static_cast<uint8_t *>(record);
    const SimPort *port = port_by_index(rec[0]);
    if (port == nullptr) return kErrPortNotPresent;
    const pcfg_sim::Timestamps &ts = port->timestamps;
    const Card &c = card();
    const uint32_t elapsed = (c.now - c.started) * kTicksPerSecond;
    std::memcpy(rec + 1, ts.flags.data(), ts.flags.size());
    rec[7] = 0;
    put_u32(rec, 8, ts.fast_timeout_ms);
    put_u32(rec, 12, ts.normal_timeout_ms);
    put_u32(rec, 16, ts.current_time + elapsed);
    put_u32(rec, 20, ts.new_time + elapsed);
    put_u32(rec, 24, ts.enabled_jiffies);
    put_u32(rec, 28, ts.disabled_jiffies);
    return 0;
}

}  // namespace

namespace pcfg_sim {

bool set_timestamps(uint8_t port_index, const Timestamps &ts) {
    SimPort *port = port_by_index(port_index);
    if (port == nullptr) return false;
    port->timestamps = ts;
    return true;
}

}  // namespace pcfg_sim

extern "C" int32_t sse_call(uint32_t function, void *record) {
    if (card_client_active()) return client_service(function, record);
    if (auto f = enter({"sse_call", {function, given(record)}, {}, {}, {}}))
        return static_cast<int32_t>(f->result);
    if (function == kSvcPortTsInfo) return port_ts_info(record);
    return kNoService;
}
