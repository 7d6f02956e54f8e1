// The shared-memory segment that holds the manager's event log of transport
// messages (log 2). It outlives the processes that write and read it: the
// simulated manager of every shell run appends to it, and each reader walks
// it with a cursor of its own.
//
// The segment is checked before every use. A segment that is not this
// user's (owner and mode 0600) or not this platform's event log, or whose
// bookkeeping does not add up, is reported with one line on standard error
// (once, until it is cleared) and is neither read nor written; only
// segment_clear() replaces it, and only when it is this user's.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pcfg_sim::card {

// Name of the segment: PCFG_SIM_EVENTLOG when set, else one of the user's
// own, "/pcfg_eventlog-<uid>" for the card every shell shares and
// "/pcfg_eventlog-<uid>-embedded" for a card inside another program.
std::string eventlog_segment_name();
// This process is the card every shell shares: its log is the shared one.
void eventlog_serve_shared();
// A shell connected to the card reads the card's segment, whatever its own
// environment names.
void eventlog_use_segment(std::string name);

// Appends one logged message (48-byte big-endian header with its length
// field set, then the payload); the segment numbers it (header bytes 12..15).
// The oldest messages roll off when the ring is full. False when the segment
// is unusable or the message too long to log (reported).
bool segment_append(std::vector<uint8_t> message);

// Empties the log and restarts its numbering at 1; a damaged or foreign
// segment is replaced by a new, empty one.
void segment_clear();

// Opens the segment afresh and checks every message in it; the position of
// the oldest message, or no value (reported) when the log cannot be read.
std::optional<uint64_t> segment_open_for_reading();

enum class SegmentRead { Found, NoneLeft, Unusable };

// The next message at or after `cursor` with the opcode (0: any opcode):
// copied to `out`, the cursor moved past it, `more` set when another such
// message follows.
SegmentRead segment_read(uint64_t &cursor, uint32_t opcode, std::vector<uint8_t> &out,
                         bool &more);

// True when the log holds no message, or cannot be used (reported); reads
// the header only.
bool segment_empty();

// True when the segment is this platform's event log and its header adds
// up (nothing reported).
bool segment_usable();

// Every message, oldest first (none when the segment is unusable).
std::vector<std::vector<uint8_t>> segment_messages();

}  // namespace pcfg_sim::card
