// The card in this process (this_card.h): every call on the card's own
// functions, for the queues and messages of this process.
#include "this_card.h"

#include "card.h"
#include "manager.h"

namespace pcfg_sim::card {
namespace {

class ThisCard final : public CardAccess {
public:
    ThisCard() { state(); }  // the card starts on first use

    int bind(int, int, const uint32_t *, const char *) override { return card::bind(kThisProcess); }
    int unbind(int handle, int) override { return card::unbind(kThisProcess, handle); }
    int send(int handle, const mts_addr_t *dest, uint32_t opcode, const void *payload,
             uint32_t length, mts_msg_t *sent, int, int) override {
        return card::send(kThisProcess, handle, dest, opcode, payload, length, sent);
    }
    int recv(int handle, mts_msg_t *msg, const uint32_t *options) override {
        return card::recv(kThisProcess, handle, msg, options != nullptr ? options[3] : 0);
    }
    int drop(int handle, mts_msg_t *msg) override { return card::drop(kThisProcess, handle, msg); }
    int last_errno(int handle) override { return card::last_errno(handle); }
    std::optional<HeldMessage> held(const mts_msg_t *msg) override { return card::held(msg); }
    std::optional<std::span<const uint8_t>> held_payload_containing(const void *p) override {
        return card::held_payload_containing(p);
    }

    int history(bool, const mts_addr_t *, uint32_t hist_id, uint32_t instance, uint32_t,
                HistoryShow &show) override {
        const HistoryLookup found = history_lookup(hist_id, instance);
        if (found.unknown) show.unknown(hist_id, instance);
        if (found.records == nullptr) return found.result;
        for (const HistRecord &r : *found.records) show.record(r.event_id, r.ts, r.bytes);
        return 0;
    }
    int32_t service(uint32_t function, void *record) override { return card::service(function, record); }
    int port_list(front_port_list *list) override { return card::port_list(list); }
    int32_t total_ports() override { return card::total_ports(); }
    int port_map(uint32_t if_index, pm_idxmap_entry_t *entry) override {
        return card::port_map(if_index, entry);
    }

    void reset(const CardConfig &config) override { card::start(config); }
    uint32_t restart(uint32_t ports) override {
        card::restart(ports);
        return num_ports();
    }
    // The card starts at the time of day it is given, and restarts at the
    // time of day then.
    void use_real_time(uint64_t time_of_day) override {
        CardConfig config;
        config.keep_event_log = true;
        config.log_start_up = true;
        config.start_time = time_of_day <= kLastSecond ? static_cast<uint32_t>(time_of_day) : 0;
        config.real_time = true;
        card::start(config);
    }
    void let_real_time_pass(uint32_t seconds) override {
        const uint32_t step = std::min(seconds, seconds_left());
        if (step > 0) card::advance(step);
    }
    uint32_t advance(uint32_t seconds) override {
        if (seconds <= seconds_left()) card::advance(seconds);
        return now();
    }
    uint32_t now() override { return state().now; }
    uint32_t num_ports() override { return static_cast<uint32_t>(state().ports.size()); }
    uint32_t slot() override { return state().config.slot; }
    uint32_t if_index_of_port(uint8_t port_index) override {
        const SimPort *p = port_by_index(port_index);
        return p != nullptr ? p->if_index : 0;
    }
    bool set_timestamps(uint8_t port_index, const Timestamps &ts) override {
        return card::set_port_timestamps(port_index, ts);
    }
    void script_reply(const Reply &reply) override { card::script_answer(reply); }
    void clear_script() override { card::clear_script(); }
    void set_manager_silent(bool silent) override { card::set_manager_silent(silent); }
    void fail(CallId call, int64_t result, int err, uint32_t nth, uint32_t times) override {
        faults().arm(call, result, err, nth, times);
    }
    void clear_faults() override { faults().clear(); }
    void clear_event_log() override { eventlog_reset(); }
    void clear_history() override { history_reset(); }
    void log_message(uint32_t kind, uint32_t opcode, std::span<const uint8_t> payload) override {
        eventlog_append(kind, opcode, payload);
    }
    std::optional<CardStatus> status() override { return card::status(); }
    bool stop() override { return false; }
    bool lost() override { return false; }
};

}  // namespace

CardAccess &this_process_card() {
    static ThisCard c;
    return c;
}

}  // namespace pcfg_sim::card
