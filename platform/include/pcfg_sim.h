// Control interface of the stand-in line-card platform (libpcfg_platform.so).
//
// Tests and the operator shell use it to set up the simulated line card,
// script the simulated port-configuration manager, make platform calls fail,
// and inspect what the library asked of the platform. It is not part of the
// library and not part of the platform contract (pcfg_platform.h).
//
// Everything here steers the card the platform calls use: the card in this
// process, or the card process once connect_card() connected to it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "port_cfg_cli.h"

namespace pcfg_sim {

// ---------------------------------------------------------------------------
// The simulated line card.
// ---------------------------------------------------------------------------
struct CardConfig {
    uint32_t slot = 1;
    // Port indexes (counted from 0) of the front ports, in the platform's
    // list order. Empty means ports 0 .. num_ports-1.
    std::vector<uint8_t> port_indexes{};
    uint32_t num_ports = 48;
    // What get_total_lc_front_ports answers; -1 means the number of ports.
    int32_t total_front_ports = -1;
    // Keep the messages of the event log (a shell that starts on the log its
    // earlier runs wrote), and log the start-up configuration the manager
    // receives when the card comes up (into an empty log only). The card
    // started on first use does both; a reset with the defaults starts on an
    // empty log.
    bool keep_event_log = false;
    bool log_start_up = false;
    // Keep the transport's queues and held messages: a card shared by
    // several shells starts afresh under shells that stay connected.
    bool keep_queues = false;
    // Simulated time at the start, in seconds since the epoch; 0 is the
    // fixed start 2025-12-05 16:00:00 UTC that tests rely on.
    uint32_t start_time = 0;
    // The clock starts at the time of day (unless start_time is given), and
    // so does every restart.
    bool real_time = false;
};

// Starts a fresh card: new ports, an idle manager, the history of its
// start-up, an empty event log (unless config.keep_event_log), no scripted
// answers, no faults, an empty call log. Queues still open
// are closed and held messages forgotten (tests check them before a reset).
// The card process is reset with the number of ports only.
void reset(const CardConfig &config = {});
// Starts the card afresh as `sim reset` does: `ports` front ports, the
// default slot, its clock as it ran (at the time of day when it keeps real
// time, else at the fixed start), its start-up configuration logged into a
// fresh event log, no faults, an empty call log; the queues and messages
// of whoever uses the card are kept. Returns the number of front ports.
uint32_t restart(uint32_t ports);

// An operator's session: the card in this process starts afresh on the
// event log it finds (logging its start-up into an empty one) at
// `time_of_day` (seconds since the epoch; 0, or a time past kLastSecond:
// the fixed start), and a `sim reset` starts it at the time of day again;
// the card process keeps real time already.
void use_real_time(uint64_t time_of_day);
// Real seconds that passed in the calling process: the card in this
// process lets them pass (up to its last second); the card process keeps
// its own time.
void let_real_time_pass(uint32_t seconds);

// Interface index of a port index on this card (0 if the card lacks it).
uint32_t if_index_of_port(uint8_t port_index);
// Number of front ports on the card.
uint32_t num_ports();
// The card's slot: its ports are named fc<slot>/<port>.
uint32_t slot();

// Simulated time, in seconds since the epoch, unsigned 32-bit as the
// history's seconds: up to 2106-02-07 06:28:15 UTC.
inline constexpr uint32_t kLastSecond = 0xffffffffu;
uint32_t now();
// Lets simulated time pass: traffic flows, counters grow. Time that would
// pass kLastSecond does not pass. Returns the new time.
uint32_t advance(uint32_t seconds);

// Time-stamping settings of a port, as service call 380 reports them. The
// two times are those at the card's start; the service adds the simulated
// time passed since (in 10 ms units) to both.
struct Timestamps {
    // Line card, loopback, receive normal path time stamps; transmit,
    // transmit force and SOM time-outs: 0 off, 0xFF not supported, else on.
    std::array<uint8_t, 6> flags{1, 0, 1, 1, 0, 1};
    uint32_t fast_timeout_ms = 100;
    uint32_t normal_timeout_ms = 500;
    uint32_t current_time = 0x0249f000;  // 10 ms units
    uint32_t new_time = 0x0249f032;      // current time + the normal time-out
    uint32_t enabled_jiffies = 0x0001d4c0;
    uint32_t disabled_jiffies = 0;
};
// Replaces a port's time-stamping settings; false if the card lacks the
// port (or is the card process: its settings are its own).
bool set_timestamps(uint8_t port_index, const Timestamps &ts);

// ---------------------------------------------------------------------------
// The simulated port-configuration manager (node 0xfe000000, SAP 902).
// ---------------------------------------------------------------------------
struct Reply {
    enum class Kind {
        Answer,       // answer with `payload` (and `opcode`, 0 = the request's)
        NullPayload,  // answer whose payload address is null
        Silence,      // no answer: the receive runs out of time
    };
    Kind kind = Kind::Answer;
    uint32_t opcode = 0;
    std::vector<uint8_t> payload;
    bool operator==(const Reply &) const = default;
};

// The manager's next answers, in order, one per request it receives, in place
// of what it would answer itself. The request is still counted and logged.
void script_reply(Reply reply);
void clear_script();
// Makes the manager stop answering (true) or answer again (false).
void set_manager_silent(bool silent);
// Requests the manager has handled since the reset (a silent manager
// handles none).
uint32_t manager_requests_handled();
bool manager_silent();
// The answers scripted and not yet given, next first.
std::vector<Reply> scripted_replies();

// ---------------------------------------------------------------------------
// The manager's event log of transport messages (log 2).
// ---------------------------------------------------------------------------
// Every logged message, oldest first: a 48-byte big-endian header
// (12 seq_no, 16 length, 24 kind 1 request / 2 reply, 28 opcode), then the
// payload.
std::vector<std::vector<uint8_t>> event_log();
void clear_event_log();
// Logs a message as the manager does (kind 1 request, 2 reply); the log
// numbers it.
void log_message(uint32_t kind, uint32_t opcode, const std::vector<uint8_t> &payload);
// The log is a POSIX shared-memory segment, so it outlives a run of the
// shell: named by the environment variable PCFG_SIM_EVENTLOG, else
// "/pcfg_eventlog-<uid>" (the card process every shell shares) or
// "/pcfg_eventlog-<uid>-embedded" (a card inside the process). A segment
// that is not the user's with mode 0600, or damaged, is reported on
// standard error and not used; clear_event_log() replaces it by an empty
// one (another user's is left alone).
std::string event_log_segment();

// ---------------------------------------------------------------------------
// The manager's history (history identifier 173), instances 0 to 7.
// ---------------------------------------------------------------------------
// A fresh card's history holds its start-up; this empties every instance.
void clear_history();

// ---------------------------------------------------------------------------
// Event-log display: logged messages decoded by the library.
// ---------------------------------------------------------------------------
// Each record is shown as a header line, "seq <n> request|reply opcode <opc>
// (<opcode name>)", followed by what eventlog_port_cfg_cli prints for it;
// or, given the library's JSON dispatcher (eventlog_port_cfg_cli_json), as
// the one line of JSON it prints, and what the display itself has to say as
// a line {"error":{"code":...,"message":...}} (JSON Lines).
using LogJson = int (*)(const pcfg_logged_msg_t *msg);

// Shows every record of the manager's event log, oldest first.
void show_event_log(LogJson json = nullptr);
// Writes the event log's records back to back to a file, as a log saved on
// the card. False (with a line on standard output) when the file cannot be
// written.
bool save_event_log(const std::string &path);

struct LogDecodeResult {
    size_t records = 0;    // records decoded
    bool complete = true;  // false: a damaged record (or an unreadable file) stopped decoding
};
// Decodes back-to-back records, each delimited by its own length (the u32 at
// offset 16, header included). A record whose length is below 48 or runs past
// the end of the data is reported with its byte offset and decoding stops
// there. Every record is decoded from a copy of exactly its own length.
LogDecodeResult decode_log_bytes(std::span<const uint8_t> data, LogJson json = nullptr);
// The same for a saved log file. A file larger than kMaxSavedLogBytes is no
// saved log (the card's log holds 1 MiB) and is refused unread.
inline constexpr size_t kMaxSavedLogBytes = size_t{16} << 20;
LogDecodeResult decode_log_file(const std::string &path, LogJson json = nullptr);

// ---------------------------------------------------------------------------
// Aligned TLV arrays, as the platform's TLV accessors read them.
// ---------------------------------------------------------------------------
// Encoding: 0..1 magic 0x544C, 2..3 TLV count, 4..7 total length (header
// included), then per TLV a u16 type, a u16 value length and the value,
// padded with zeros to a multiple of 4 bytes; all big-endian.
struct Tlv {
    uint16_t type;
    std::vector<uint8_t> value;
};
std::vector<uint8_t> encode_tlv_array(const std::vector<Tlv> &tlvs);

// ---------------------------------------------------------------------------
// Faults: make a platform call fail.
// ---------------------------------------------------------------------------
// The nth call (counted from 1 after this call) of the named platform
// function (one of pcfg_platform.h) returns `result` instead of doing its
// work; `err` becomes the transport's error number where the function has
// one. A release (mts_unbind, mts_drop) still releases the queue or the
// message. `times` calls in a row fail from there (0 = every call from then
// on). The faults of the calls the card answers are armed in the card: in
// the card process they fail for every shell; the others fail in this
// process only.
void fail(std::string_view call, int64_t result, int err = 0, uint32_t nth = 1,
          uint32_t times = 1);
void clear_faults();

// A failure armed by fail() and not yet used up (the card's and this
// process's, by call name).
struct ArmedFault {
    std::string call;
    int64_t result = 0;
    int err = 0;
    uint32_t nth = 1;    // the call that fails next, counted from 1 from now on
    uint32_t times = 1;  // failing calls left (0 = no end)
    bool operator==(const ArmedFault &) const = default;
};
std::vector<ArmedFault> armed_faults();

// ---------------------------------------------------------------------------
// The call log: every platform call the library made, in order.
// ---------------------------------------------------------------------------
struct Call {
    std::string name;
    // Scalar arguments in order. Addresses count as 1 when given and 0 when
    // null, except the destination of mts_send, which is logged as its two
    // words (node, SAP) in its place.
    std::vector<int64_t> args;
    std::vector<uint8_t> payload;  // payload bytes sent (mts_send)
    std::vector<uint32_t> words;   // option words (mts_bind 6, mts_recv 10, init_shm_eventlog 7)
    std::string text;              // text argument (the mts_bind name)
};

const std::vector<Call> &calls();
std::vector<Call> calls_named(std::string_view name);
void clear_calls();
// Keeping the log is on from the start. A run of millions of commands (a
// fuzzing campaign) turns it off; faults still apply, the log stays as it is.
void set_call_log(bool on);

// ---------------------------------------------------------------------------
// Resources held by callers of the transport.
// ---------------------------------------------------------------------------
// Queues bound and not yet unbound (the shell's own queue included).
int open_queues();
// Messages received or recorded as sent and not yet dropped.
int held_messages();

// ---------------------------------------------------------------------------
// The card as a process of its own (pcfg-card), shared by every shell.
// ---------------------------------------------------------------------------
// The socket of the card when none is named: "card" in the folder "pcfg" of
// $XDG_RUNTIME_DIR, else in /tmp/pcfg-<uid>. The folder is made with mode
// 0700 when missing; empty (and why) when it cannot be made or is not this
// user's alone.
std::string default_card_socket(std::string &why);

// How an attempt to reach the card process ended.
enum class Reach {
    Connected,
    NoCard,     // nothing answers on the path (a card may be started there)
    OtherUser,  // the card there serves another user
    Full,       // the card there serves as many shells as it may
    TimedOut,   // the card there did not take the connection or answer in time
};
// How long an attempt may take, the card's greeting answered.
inline constexpr int kConnectSeconds = 5;

// Connects this process to the card listening on `path`, as a shell called
// `name`, before any platform call: from then on the calls the card answers
// and every steering of the card reach the card process; the other platform
// calls are answered here, and no call log is kept. Called again after the
// card was lost, it puts the card it reaches in place of the lost one (what
// the lost one held is forgotten). Anything but Connected comes with why
// (the card's own words when it refused).
Reach connect_card(const std::string &path, std::string_view name, std::string &why);
// The card process was lost: its socket closed, or an exchange failed. From
// then on queues still bind and sends go nowhere; a receive waits its limit
// and times out. Never true of the card in this process.
bool card_lost();

struct ShellInfo {
    uint32_t pid = 0;
    uint32_t queues = 0;  // queues open
    uint32_t held = 0;    // messages held on them
    bool asker = false;   // the shell that asked
    std::string name;
    bool operator==(const ShellInfo &) const = default;
};
struct CardStatus {
    uint8_t frame_version = 0;  // of the frames the card answers with (0: none, the card in this process)
    uint32_t now = 0;
    uint32_t ports = 0;
    uint32_t handled = 0;
    uint32_t queues = 0;
    uint32_t held = 0;
    bool silent = false;
    std::vector<Reply> script;
    uint32_t unlisted = 0;  // scripted answers left out: the card's answer has a size limit
    std::vector<ArmedFault> faults;  // armed in the card
    std::vector<ShellInfo> shells;
    bool operator==(const CardStatus &) const = default;
};
// The card's status (the shells only of the card process); no value when
// the card process was lost.
std::optional<CardStatus> card_status();
// Asks the connected card to end and waits (a few seconds at most) until it
// has; false when it did not answer.
bool stop_card();

}  // namespace pcfg_sim
