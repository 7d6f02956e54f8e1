// A busy card's event log of manager messages, built in memory: logged
// transport messages (48-byte big-endian header, then the payload) back to
// back, in the proportions a line card under steady management produces.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pcfg_bench {

struct EventLogImage {
    std::vector<uint8_t> bytes;    // records back to back
    std::vector<size_t> offsets;   // where each record starts
};

// `records` logged messages of the busy mix, drawn with a fixed seed so that
// every run decodes the same log. Ports are those of the simulated card
// (pcfg_sim must have a card).
EventLogImage busy_event_log(size_t records, uint32_t seed = 1);

// Only the records of one opcode and kind from the same mix (kind 0: any).
EventLogImage busy_event_log_of(uint32_t opcode, uint32_t kind, size_t records,
                                uint32_t seed = 1);

// One line of the mix's make-up, for the report.
struct MixRow {
    uint32_t opcode;
    uint32_t kind;
    uint32_t weight;  // out of 100
    const char *what;
};
const std::vector<MixRow> &busy_mix();

}  // namespace pcfg_bench
