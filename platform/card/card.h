// The simulated line card, shared by its parts: the front ports and the
// clock, the manager, its history and its event log, and the faults armed
// in it. The card does no I/O of its own (its event log is a shared-memory
// segment that readers open themselves): it is reached through the card in
// this process (this_card.h) or through the card process's service on its
// socket (the link's card_service.h). The transport's queues and messages
// are in transport.h.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "faults.h"
#include "pcfg_platform.h"
#include "pcfg_sim.h"
#include "port_cfg_cli.h"

namespace pcfg_sim::card {

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

// The card; it starts on first use, on the event log it finds (logging its
// start-up configuration into an empty one).
Card &state();
SimPort *port_by_if_index(uint32_t if_index);
SimPort *port_by_index(uint8_t port_index);
uint32_t make_if_index(uint32_t slot, uint8_t port_index);

// Starts a fresh card (see pcfg_sim::reset).
void start(const CardConfig &config);
// Starts the card afresh as `sim reset` does: `ports` front ports, its clock
// as it ran (at the time of day when it keeps real time, else at the fixed
// start), its start-up configuration logged, the queues and messages of
// those using it kept.
void restart(uint32_t ports);
// Lets simulated time pass: traffic flows, counters grow. The caller keeps
// the time at kLastSecond at most.
void advance(uint32_t seconds);
// Seconds the card may still advance.
uint32_t seconds_left();

// The faults armed in the card, met by the calls it answers.
Faults &faults();

// ---------------------------------------------------------- the card's calls
// The platform calls the card answers besides the transport's (each meets
// its armed fault first, as the platform call would).
// Service call (sse_call); function 380 fills a port's timestamp record.
int32_t service(uint32_t function, void *record);
int port_list(front_port_list *list);
int32_t total_ports();
int port_map(uint32_t if_index, pm_idxmap_entry_t *entry);
bool set_port_timestamps(uint8_t port_index, const Timestamps &ts);

// --------------------------------------------------------------- the manager
struct ManagerAnswer {
    uint32_t opcode = 0;
    bool null_payload = false;
    std::vector<uint8_t> payload;
};

void manager_reset();
// The manager receives one request; no value means it does not answer.
std::optional<ManagerAnswer> manager_receive(uint32_t opcode, std::span<const uint8_t> request);
void script_answer(Reply reply);
void clear_script();
void set_manager_silent(bool silent);
// What `sim status` shows of the card, the manager and the transport (no
// shells: those are the card process's).
CardStatus status();

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

// The history service's answer to showing an instance: the call's result,
// and the instance's records, oldest first (none when a fault answered, or
// when there is no such history: `unknown` is then set and the result -1).
struct HistoryLookup {
    int result = -1;
    bool unknown = false;
    const std::deque<HistRecord> *records = nullptr;
};
HistoryLookup history_lookup(uint32_t hist_id, uint32_t instance);

}  // namespace pcfg_sim::card
