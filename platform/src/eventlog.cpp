// The stand-in event log of the manager's transport messages (log 2).
//
// Each record is a logged message: a 48-byte big-endian header
//   0 time (u32), 4 source node, 8 source SAP, 12 seq_no, 16 length,
//   20 zero, 24 kind (1 request, 2 reply), 28 opcode, 32..47 zero
// followed by the payload.
#include <deque>

#include "sim_state.h"
#include "wire.h"

namespace pcfg_sim {
namespace detail {
namespace {

constexpr uint32_t kManagerLog = 2;
constexpr size_t kMaxRecords = 4096;  // oldest records roll off
constexpr size_t kHeaderLen = 48;

struct EventLog {
    std::deque<std::vector<uint8_t>> records;
    uint32_t next_seq = 1;
    size_t cursor = 0;  // next record a reader gets
};

EventLog &elog() {
    static EventLog l;
    return l;
}

uint32_t opcode_of(const std::vector<uint8_t> &rec) {
    return static_cast<uint32_t>(be_at(rec, 28, 4));
}

}  // namespace

void eventlog_reset() { elog() = EventLog{}; }

void eventlog_append(uint32_t kind, uint32_t opcode, std::span<const uint8_t> payload) {
    EventLog &l = elog();
    Wire w;
    w.u32(card().now)
        .u32(kind == kLogRequest ? 0x00000101u : 0xfe000000u)
        .u32(kind == kLogRequest ? 0x1001u : 902u)
        .u32(l.next_seq++)
        .u32(static_cast<uint32_t>(kHeaderLen + payload.size()))
        .u32(0)
        .u32(kind)
        .u32(opcode)
        .zeros(16)
        .bytes(payload);
    if (l.records.size() == kMaxRecords) {
        l.records.pop_front();
        if (l.cursor > 0) --l.cursor;
    }
    l.records.push_back(w.take());
}

}  // namespace detail

std::vector<std::vector<uint8_t>> event_log() {
    const auto &r = detail::elog().records;
    return {r.begin(), r.end()};
}

void clear_event_log() {
    detail::elog().records.clear();
    detail::elog().cursor = 0;
}

}  // namespace pcfg_sim

using namespace pcfg_sim::detail;

extern "C" {

int init_shm_eventlog(const uint32_t *params) {
    if (auto f = enter({"init_shm_eventlog", {given(params)}, {}, words_of(params, 7), {}}))
        return static_cast<int>(f->result);
    elog().cursor = 0;
    return 0;
}

// Gives the next record of the log with the opcode (0: any opcode) and tells
// whether another such record follows; fails when there is none.
int shm_eventlog_read_rec(uint32_t log_id, uint32_t *more, const void **record, uint32_t a,
                          int32_t b, uint32_t c, uint32_t opcode) {
    if (auto f = enter({"shm_eventlog_read_rec",
                        {log_id, given(more), given(record), a, b, c, opcode}, {}, {}, {}}))
        return static_cast<int>(f->result);
    EventLog &l = elog();
    if (log_id != kManagerLog || more == nullptr || record == nullptr) return -1;
    auto matches = [opcode](const std::vector<uint8_t> &rec) {
        return opcode == 0 || opcode_of(rec) == opcode;
    };
    size_t i = l.cursor;
    while (i < l.records.size() && !matches(l.records[i])) ++i;
    if (i == l.records.size()) {
        l.cursor = i;
        return -1;
    }
    *record = l.records[i].data();
    l.cursor = i + 1;
    size_t j = l.cursor;
    while (j < l.records.size() && !matches(l.records[j])) ++j;
    *more = j < l.records.size() ? 1 : 0;
    return 0;
}

}  // extern "C"
