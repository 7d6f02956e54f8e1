// The control interface (pcfg_sim.h): every steering of the card goes to
// the card the platform calls use; the call log and the faults of the calls
// answered here are this process's.
#include "backend.h"
#include "call_log.h"
#include "eventlog_segment.h"

namespace pcfg_sim {

using platform::backend;

namespace {

// A fresh card: no fault armed here either, an empty call log.
void forget_calls() {
    platform::local_faults().clear();
    clear_calls();
}

CardStatus status_or_none() { return backend().status().value_or(CardStatus{}); }

}  // namespace

void reset(const CardConfig &config) {
    backend().reset(config);
    forget_calls();
}

uint32_t restart(uint32_t ports) {
    const uint32_t fresh = backend().restart(ports);
    forget_calls();
    return fresh;
}

void use_real_time(uint64_t time_of_day) { backend().use_real_time(time_of_day); }
void let_real_time_pass(uint32_t seconds) { backend().let_real_time_pass(seconds); }

uint32_t if_index_of_port(uint8_t port_index) { return backend().if_index_of_port(port_index); }
uint32_t num_ports() { return backend().num_ports(); }
uint32_t slot() { return backend().slot(); }
uint32_t now() { return backend().now(); }
uint32_t advance(uint32_t seconds) { return backend().advance(seconds); }
bool set_timestamps(uint8_t port_index, const Timestamps &ts) {
    return backend().set_timestamps(port_index, ts);
}

void script_reply(Reply reply) { backend().script_reply(reply); }
void clear_script() { backend().clear_script(); }
void set_manager_silent(bool silent) { backend().set_manager_silent(silent); }
uint32_t manager_requests_handled() { return status_or_none().handled; }
bool manager_silent() { return status_or_none().silent; }
std::vector<Reply> scripted_replies() { return status_or_none().script; }

std::vector<std::vector<uint8_t>> event_log() { return card::segment_messages(); }
void clear_event_log() { backend().clear_event_log(); }
void log_message(uint32_t kind, uint32_t opcode, const std::vector<uint8_t> &payload) {
    backend().log_message(kind, opcode, payload);
}
std::string event_log_segment() { return card::eventlog_segment_name(); }
void clear_history() { backend().clear_history(); }

void fail(std::string_view call, int64_t result, int err, uint32_t nth, uint32_t times) {
    const std::optional<CallId> id = call_named(call);
    if (!id) return;
    if (answered_by_card(*id))
        backend().fail(*id, result, err, nth, times);
    else
        platform::local_faults().arm(*id, result, err, nth, times);
}

void clear_faults() {
    backend().clear_faults();
    platform::local_faults().clear();
}

std::vector<ArmedFault> armed_faults() {
    return card::merged(status_or_none().faults, platform::local_faults().armed());
}

int open_queues() { return static_cast<int>(status_or_none().queues); }
int held_messages() { return static_cast<int>(status_or_none().held); }

std::optional<CardStatus> card_status() { return backend().status(); }
bool stop_card() { return backend().stop(); }
bool card_lost() { return backend().lost(); }

}  // namespace pcfg_sim
