// The card's event log of the manager's transport messages (log 2), kept in
// a shared-memory segment (eventlog_segment.cpp) so that it outlives the
// card and every reader of it.
//
// Each record is a logged message: a 48-byte big-endian header
//   0 time (u32), 4 source node, 8 source SAP, 12 seq_no, 16 length,
//   20 zero, 24 kind (1 request, 2 reply), 28 opcode, 32..47 zero
// followed by the payload.
#include "card.h"
#include "eventlog_segment.h"
#include "wire.h"

namespace pcfg_sim::card {
namespace {

constexpr size_t kHeaderLen = 48;

}  // namespace

void eventlog_reset() { segment_clear(); }

void eventlog_append(uint32_t kind, uint32_t opcode, std::span<const uint8_t> payload) {
    Wire w;
    w.u32(state().now)
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

}  // namespace pcfg_sim::card
