// The stand-in event log of the manager's transport messages (log 2), kept
// in a shared-memory segment (eventlog_segment.cpp) so that it outlives a
// run of the shell.
//
// Each record is a logged message: a 48-byte big-endian header
//   0 time (u32), 4 source node, 8 source SAP, 12 seq_no, 16 length,
//   20 zero, 24 kind (1 request, 2 reply), 28 opcode, 32..47 zero
// followed by the payload.
#include "card_client.h"
#include "eventlog_segment.h"
#include "sim_state.h"
#include "wire.h"

namespace pcfg_sim {
namespace detail {
namespace {

constexpr uint32_t kManagerLog = 2;
constexpr size_t kHeaderLen = 48;

// This process's reading of the log: where the next read starts and the
// copy of the record last handed out (valid until the next read).
struct Reader {
    uint64_t cursor = 0;
    std::vector<uint8_t> record;
};

Reader &reader() {
    static Reader r;
    return r;
}

}  // namespace

void eventlog_reset() {
    segment_clear();
    reader() = Reader{};
}

void eventlog_append(uint32_t kind, uint32_t opcode, std::span<const uint8_t> payload) {
    Wire w;
    w.u32(card().now)
        .u32(kind == kLogRequest ? 0x00000101u : 0xfe000000u)
        .u32(kind == kLogRequest ? 0x1001u : 902u)
        .u32(0)  // numbered by the log
        .u32(static_cast<uint32_t>(kHeaderLen + payload.size()))
        .u32(0)
        .u32(kind)
        .u32(opcode)
        .zeros(16)
        .bytes(payload);
    segment_append(w.take());
}

}  // namespace detail

std::vector<std::vector<uint8_t>> event_log() { return detail::segment_messages(); }

void clear_event_log() {
    if (detail::card_client_active())
        detail::client_control(detail::Control::ClearLog, {});
    else
        detail::eventlog_reset();
}

void log_message(uint32_t kind, uint32_t opcode, const std::vector<uint8_t> &payload) {
    detail::eventlog_append(kind, opcode, payload);
}

std::string event_log_segment() { return detail::eventlog_segment_name(); }

}  // namespace pcfg_sim

using namespace pcfg_sim::detail;

extern "C" {

int init_shm_eventlog(const uint32_t *params) {
    if (!card_client_active()) card();  // the card starts on first use
    if (auto f = enter({"init_shm_eventlog", {given(params)}, {}, words_of(params, 7), {}}))
        return static_cast<int>(f->result);
    const std::optional<uint64_t> oldest = segment_open_for_reading();
    if (!oldest) return -1;
    reader().cursor = *oldest;
    return 0;
}

// Gives the next record of the log with the opcode (0: any opcode) and tells
// whether another such record follows; fails when there is none.
int shm_eventlog_read_rec(uint32_t log_id, uint32_t *more, const void **record, uint32_t a,
                          int32_t b, uint32_t c, uint32_t opcode) {
    if (!card_client_active()) card();
    if (auto f = enter({"shm_eventlog_read_rec",
                        {log_id, given(more), given(record), a, b, c, opcode}, {}, {}, {}}))
        return static_cast<int>(f->result);
    if (log_id != kManagerLog || more == nullptr || record == nullptr) return -1;
    Reader &r = reader();
    bool further = false;
    if (segment_read(r.cursor, opcode, r.record, further) != SegmentRead::Found) return -1;
    *record = r.record.data();
    *more = further ? 1 : 0;
    return 0;
}

}  // extern "C"
