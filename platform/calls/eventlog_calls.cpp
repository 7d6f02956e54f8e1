// The event log's platform calls: this process reads the card's log (log 2,
// the manager's transport messages) from its shared-memory segment itself,
// with a cursor of its own.
#include "backend.h"
#include "call_log.h"
#include "eventlog_segment.h"

using namespace pcfg_sim;
using namespace pcfg_sim::platform;

namespace {

constexpr uint32_t kManagerLog = 2;

// Where the next read starts, and the copy of the record last handed out
// (valid until the next read).
struct Reader {
    uint64_t cursor = 0;
    std::vector<uint8_t> record;
};

Reader &reader() {
    static Reader r;
    return r;
}

}  // namespace

extern "C" {

int init_shm_eventlog(const uint32_t *params) {
    backend();  // the card in this process starts on first use, and logs its start-up
    if (auto f = enter<CallId::init_shm_eventlog>(
            [&] { return Logged{{given(params)}, {}, words_of(params, 7)}; }))
        return static_cast<int>(f->result);
    const std::optional<uint64_t> oldest = card::segment_open_for_reading();
    if (!oldest) return -1;
    reader().cursor = *oldest;
    return 0;
}

// Gives the next record of the log with the opcode (0: any opcode) and tells
// whether another such record follows; fails when there is none.
int shm_eventlog_read_rec(uint32_t log_id, uint32_t *more, const void **record, uint32_t a,
                          int32_t b, uint32_t c, uint32_t opcode) {
    backend();
    if (auto f = enter<CallId::shm_eventlog_read_rec>(
            [&] { return Logged{{log_id, given(more), given(record), a, b, c, opcode}}; }))
        return static_cast<int>(f->result);
    if (log_id != kManagerLog || more == nullptr || record == nullptr) return -1;
    Reader &r = reader();
    bool further = false;
    if (card::segment_read(r.cursor, opcode, r.record, further) != card::SegmentRead::Found) return -1;
    *record = r.record.data();
    *more = further ? 1 : 0;
    return 0;
}

}  // extern "C"
