// Internal state of the stand-in line-card platform, shared by its parts:
// the simulated card and its ports, the call log and faults, and the hooks
// between the transport, the manager, the history service and the event log.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "pcfg_platform.h"
#include "pcfg_sim.h"
#include "port_cfg_cli.h"

namespace pcfg_sim::detail {

// ----------------------------------------------------------------- the card
struct SimPort {
    uint8_t port_index = 0;  // counted from 0
    uint32_t if_index = 0;
    bool admin_up = true;    // enabled by configuration
    bool link_up = true;
    uint32_t speed = 16000;  // speed code (Mbit/s class; see lc_get_portspeed_name)
    uint8_t fec_state = 0;
    Timestamps timestamps;   // service call 380

    // Traffic: steady rates while the link is up, and the totals they have
    // added up to since the card started.
    uint64_t in_rate = 0;   // bytes per second received
    uint64_t out_rate = 0;  // bytes per second sent
    uint64_t in_bytes = 0;
    uint64_t out_bytes = 0;
    uint64_t in_frames = 0;
    uint64_t out_frames = 0;
};

// Average frame size of the simulated traffic, in bytes.
inline constexpr uint64_t kAvgFrameBytes = 1024;

struct Card {
    CardConfig config;
    std::vector<SimPort> ports;  // in front-port list order
    uint32_t now = 0;            // simulated seconds since the epoch
    uint32_t started = 0;        // when the card started
};

Card &card();
SimPort *port_by_if_index(uint32_t if_index);
SimPort *port_by_index(uint8_t port_index);
uint32_t make_if_index(uint32_t slot, uint8_t port_index);

// -------------------------------------------------------- calls and faults
struct Fault {
    int64_t result;
    int err;
};

// Logs a call and tells whether it is to fail, and how.
std::optional<Fault> enter(Call call);
// Whether enter() has anything to do: the call log is kept or a fault is
// set. Calls made thousands of times per command (the TLV walk) build their
// Call record only then.
bool calls_watched();
// Whether any platform call is set to fail.
bool faults_armed();
size_t fault_rules_armed();

// Small helpers to build a Call.
inline int64_t given(const void *p) { return p != nullptr ? 1 : 0; }
std::vector<uint32_t> words_of(const uint32_t *p, size_t n);

// ---------------------------------------------------------------- transport
// Transport error numbers the stand-in sets.
enum : int {
    kErrBadHandle = 9,     // EBADF
    kErrNoMessage = 62,    // ETIME: the wait limit ran out
    kErrUnreachable = 113, // EHOSTUNREACH
    kErrTooMany = 24,      // EMFILE
};

void transport_reset();
int transport_open_queues();
int transport_held_messages();
void transport_set_errno(int handle, int err);
// The error number the last failing call on a queue left (its own, or the
// transport's for a handle that names no queue).
int transport_errno(int handle);
// Whether a receive on the queue would find a message (token 0: any).
bool transport_deliverable(int handle, uint32_t token);
// Closes a queue (if still open) and forgets every message on it, held or
// waiting: its holder is gone.
void transport_release_queue(int handle);
// Messages held on a queue.
int transport_queue_messages(int handle);

// A held message as a record names it.
struct HeldMessage {
    uint64_t id = 0;
    uint32_t opcode = 0;
    uint32_t token = 0;
    bool null_payload = false;
    std::span<const uint8_t> payload;
};
std::optional<HeldMessage> transport_held(const mts_msg_t *msg);
uint64_t transport_record_id(const mts_msg_t *msg);
// The request/response token of the last message sent.
uint32_t transport_last_token();
// The record that names message `id` (held or not).
mts_msg_t transport_record(uint64_t id);
// A shell connected to the card keeps a copy of each message it holds
// there, under the card's id, so that the accessors read it locally; a
// dropped message's copy is forgotten and its record cleared.
void transport_mirror(mts_msg_t *msg, int handle, const HeldMessage &held);
void transport_forget(mts_msg_t *msg);

// The payload of a held message that contains address p, if any: the
// platform's accessors never read past the message they were handed.
std::optional<std::span<const uint8_t>> held_payload_containing(const void *p);

// --------------------------------------------------------------- the manager
struct ManagerAnswer {
    uint32_t opcode = 0;
    bool null_payload = false;
    std::vector<uint8_t> payload;
};

void manager_reset();
// The manager receives one request; no value means it does not answer.
std::optional<ManagerAnswer> manager_receive(uint32_t opcode, std::span<const uint8_t> request);

// ---------------------------------------------------------------- event log
enum : uint32_t { kLogRequest = 1, kLogReply = 2 };

void eventlog_reset();
// Appends one logged transport message (48-byte header + payload).
void eventlog_append(uint32_t kind, uint32_t opcode, std::span<const uint8_t> payload);
// Logs the configuration the manager received when the card came up.
void eventlog_card_start();

// ---------------------------------------------------------- history service
inline constexpr uint32_t kHistoryId = 173;
inline constexpr uint32_t kHistoryInstances = 8;

struct HistRecord {
    uint32_t event_id;
    hist_timestamp ts;
    std::vector<uint8_t> bytes;
};

void history_reset();
// Records one history event of the manager in a history instance.
void history_record(uint32_t instance, uint32_t event_id, std::span<const uint8_t> record);
// The same, dated `seconds` (the card's start-up history).
void history_record_at(uint32_t instance, uint32_t event_id, std::span<const uint8_t> record,
                       uint32_t seconds);
// The service's part of showing an instance: the call logged and checked
// for a fault (whose result it gives), then the instance's records, oldest
// first (null when a fault answered, or when there is no such history:
// `unknown` is then set and the result is -1).
int history_lookup(void *params, const mts_addr_t *addr, uint32_t hist_id, uint32_t instance,
                   uint32_t flags, const std::deque<HistRecord> *&records, bool &unknown);
// Hands one record to the library's formatter and ends its line.
void history_show_record(uint32_t event_id, const hist_timestamp &ts,
                         std::span<const uint8_t> record, uint32_t first);
// The line for a history the service does not keep.
void history_unknown(uint32_t hist_id, uint32_t instance);

}  // namespace pcfg_sim::detail
