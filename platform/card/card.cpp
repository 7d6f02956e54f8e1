// The simulated line card: its front ports, the port map, its clock, how it
// starts, and the calls it answers besides the transport's.
#include "card.h"

#include <algorithm>
#include <cstring>
#include <ctime>

#include "manager_history.h"
#include "manager.h"
#include "transport.h"

namespace pcfg_sim::card {
namespace {

constexpr uint32_t kFixedStart = 1764950400;  // 2025-12-05 16:00:00 UTC

// Service call 380 fills a port's 32-byte timestamp record, in host byte
// order (the record never leaves the card):
//    0 u8  port index (the caller's)   8 u32 fast time-out, ms
//    1 u8  six flags, 1 to 6           12 u32 normal time-out, ms
//    7 u8  not used                    16 u32 current time, 10 ms units
//                                      20 u32 new time, 10 ms units
//                                      24 u32 time stamp enabled jiffies
//                                      28 u32 time stamp disabled jiffies
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
    const Timestamps &ts = port->timestamps;
    const Card &c = state();
    // 32 bits of 10 ms wrap after 497 days, as the card's own count does.
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

Card &the_card() {
    static Card c;
    return c;
}

bool g_started = false;  // the card started (on first use, or as asked)

// The time of day as the card's start (0 where there is none to give: the
// fixed start).
uint32_t time_of_day() {
    const time_t t = time(nullptr);
    return t > 0 && static_cast<uint64_t>(t) <= kLastSecond ? static_cast<uint32_t>(t) : 0;
}

}  // namespace

Card &state() {
    if (!g_started) {
        CardConfig config;
        config.keep_event_log = true;  // the log outlives the processes that write it
        config.log_start_up = true;
        start(config);
    }
    return the_card();
}

Faults &faults() {
    static Faults f;
    return f;
}

// fc<slot>/<port>: 0x01000000, slot - 1 in bits 20..23, port index in bits 12..19.
uint32_t make_if_index(uint32_t slot, uint8_t port_index) {
    return 0x01000000u | (((slot - 1u) & 0xFu) << 20) | (uint32_t{port_index} << 12);
}

SimPort *port_by_if_index(uint32_t if_index) {
    for (SimPort &p : state().ports)
        if (p.if_index == if_index) return &p;
    return nullptr;
}

SimPort *port_by_index(uint8_t port_index) {
    for (SimPort &p : state().ports)
        if (p.port_index == port_index) return &p;
    return nullptr;
}

void start(const CardConfig &config) {
    g_started = true;
    if (!config.keep_queues) transport_reset();
    Card &c = the_card();
    c.config = config;
    c.ports.clear();
    std::vector<uint8_t> indexes = config.port_indexes;
    if (indexes.empty() && config.num_ports > 0) {
        const uint32_t n = std::min<uint32_t>(config.num_ports, 255);
        for (uint32_t i = 0; i < n; ++i) indexes.push_back(static_cast<uint8_t>(i));
    }
    for (uint8_t idx : indexes) {
        SimPort p;
        p.port_index = idx;
        p.if_index = make_if_index(config.slot, idx);
        // A busy card: every fourth port carries no traffic, the others
        // between a few hundred kB/s and about 1.6 GB/s, receiving more than
        // they send.
        if (idx % 4 != 3) {
            p.in_rate = 250000ull * (1u + (idx * 37u) % 64u) + 1000u * idx;
            p.out_rate = p.in_rate / 2 + 4096u * idx;
        }
        c.ports.push_back(p);
    }
    c.now = config.start_time != 0 ? config.start_time : config.real_time ? time_of_day() : 0;
    if (c.now == 0) c.now = kFixedStart;
    c.started = c.now;
    manager_reset();
    if (!config.keep_event_log) eventlog_reset();
    history_reset();
    hist_on_card_start();
    if (config.log_start_up) eventlog_card_start();
    faults().clear();
}

void restart(uint32_t ports) {
    CardConfig config;
    config.num_ports = ports;
    config.log_start_up = true;  // the fresh card's log starts with its start-up configuration
    config.keep_queues = true;
    config.real_time = state().config.real_time;
    start(config);
}

void advance(uint32_t seconds) {
    Card &c = state();
    for (SimPort &p : c.ports) {
        if (!p.admin_up || !p.link_up) continue;
        const uint64_t in = p.in_rate * seconds;
        const uint64_t out = p.out_rate * seconds;
        p.in_bytes += in;
        p.out_bytes += out;
        p.in_frames += in / kAvgFrameBytes;
        p.out_frames += out / kAvgFrameBytes;
    }
    c.now += seconds;
}

uint32_t seconds_left() { return kLastSecond - state().now; }

CardStatus status() {
    CardStatus s;
    s.now = state().now;
    s.ports = static_cast<uint32_t>(state().ports.size());
    s.handled = manager_handled();
    const Holdings all = holdings();
    s.queues = static_cast<uint32_t>(all.queues);
    s.held = static_cast<uint32_t>(all.held);
    s.silent = manager_silent();
    s.script = scripted_replies();
    s.faults = faults().armed();
    return s;
}

int32_t service(uint32_t function, void *record) {
    if (auto f = faults().meet(CallId::sse_call)) return static_cast<int32_t>(f->result);
    if (function == kSvcPortTsInfo) return port_ts_info(record);
    return kNoService;
}

bool set_port_timestamps(uint8_t port_index, const Timestamps &ts) {
    SimPort *port = port_by_index(port_index);
    if (port == nullptr) return false;
    port->timestamps = ts;
    return true;
}

int port_list(front_port_list *list) {
    if (auto f = faults().meet(CallId::get_front_port_if_index_list)) return static_cast<int>(f->result);
    if (list == nullptr) return -1;
    std::memset(list, 0, sizeof *list);
    const auto &ports = state().ports;
    const size_t n = ports.size() < 255 ? ports.size() : 255;
    list->count = static_cast<uint8_t>(n);
    for (size_t i = 0; i < n; ++i) {
        list->entries[i].if_index = ports[i].if_index;
        list->entries[i].port_index = ports[i].port_index;
    }
    return 0;
}

int32_t total_ports() {
    if (auto f = faults().meet(CallId::get_total_lc_front_ports)) return static_cast<int32_t>(f->result);
    const Card &c = state();
    return c.config.total_front_ports >= 0 ? c.config.total_front_ports
                                           : static_cast<int32_t>(c.ports.size());
}

// The port map holds the port index (counted from 0) of each interface.
int port_map(uint32_t if_index, pm_idxmap_entry_t *entry) {
    if (auto f = faults().meet(CallId::pm_idxmap_entry_by_if_index)) return static_cast<int>(f->result);
    const SimPort *p = port_by_if_index(if_index);
    if (p == nullptr || entry == nullptr) return -1;
    std::memset(entry, 0, sizeof *entry);
    entry->if_index = if_index;
    entry->port = p->port_index;
    return 0;
}

}  // namespace pcfg_sim::card
