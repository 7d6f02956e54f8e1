// The simulated card as the platform calls reach it: every platform call
// that the card answers, and the steering of the card (pcfg_sim.h), on one
// interface. Two hold a card behind it: the card in this process
// (this_card.h), and the card process on its socket (the link's
// remote_card.h); the platform calls choose one when the process starts.
//
// The transport's calls take and fill the platform's records; what a call
// left in this process (a queue's error number, the messages it holds) is
// read back here too, for the calls answered in the process.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "pcfg_calls.h"
#include "pcfg_platform.h"
#include "pcfg_sim.h"
#include "port_cfg_cli.h"
#include "transport.h"

namespace pcfg_sim::card {

// Where the history service's records go, one by one, oldest first.
class HistoryShow {
public:
    virtual void unknown(uint32_t hist_id, uint32_t instance) = 0;
    virtual void record(uint32_t event_id, const hist_timestamp &ts, std::span<const uint8_t> bytes) = 0;

protected:
    ~HistoryShow() = default;
};

class CardAccess {
public:
    virtual ~CardAccess() = default;

    // The transport (pcfg_platform.h), and what its calls left here.
    virtual int bind(int type, int sap, const uint32_t *options, const char *name) = 0;
    virtual int unbind(int handle, int flags) = 0;
    virtual int send(int handle, const mts_addr_t *dest, uint32_t opcode, const void *payload,
                     uint32_t length, mts_msg_t *sent, int flags, int reserved) = 0;
    virtual int recv(int handle, mts_msg_t *msg, const uint32_t *options) = 0;
    virtual int drop(int handle, mts_msg_t *msg) = 0;
    virtual int last_errno(int handle) = 0;
    virtual std::optional<HeldMessage> held(const mts_msg_t *msg) = 0;
    virtual std::optional<std::span<const uint8_t>> held_payload_containing(const void *p) = 0;

    // The history service, the service call and the port lists.
    virtual int history(bool params, const mts_addr_t *addr, uint32_t hist_id, uint32_t instance,
                        uint32_t flags, HistoryShow &show) = 0;
    virtual int32_t service(uint32_t function, void *record) = 0;
    virtual int port_list(front_port_list *list) = 0;
    virtual int32_t total_ports() = 0;
    virtual int port_map(uint32_t if_index, pm_idxmap_entry_t *entry) = 0;

    // Steering (pcfg_sim.h says what each does).
    virtual void reset(const CardConfig &config) = 0;
    virtual uint32_t restart(uint32_t ports) = 0;
    virtual void use_real_time(uint64_t time_of_day) = 0;
    virtual void let_real_time_pass(uint32_t seconds) = 0;
    virtual uint32_t advance(uint32_t seconds) = 0;
    virtual uint32_t now() = 0;
    virtual uint32_t num_ports() = 0;
    virtual uint32_t slot() = 0;
    virtual uint32_t if_index_of_port(uint8_t port_index) = 0;
    virtual bool set_timestamps(uint8_t port_index, const Timestamps &ts) = 0;
    virtual void script_reply(const Reply &reply) = 0;
    virtual void clear_script() = 0;
    virtual void set_manager_silent(bool silent) = 0;
    virtual void fail(CallId call, int64_t result, int err, uint32_t nth, uint32_t times) = 0;
    virtual void clear_faults() = 0;
    virtual void clear_event_log() = 0;
    virtual void clear_history() = 0;
    virtual void log_message(uint32_t kind, uint32_t opcode, std::span<const uint8_t> payload) = 0;
    // What the card holds; no value when it cannot be asked.
    virtual std::optional<CardStatus> status() = 0;
    // Asks the card to end; false when it cannot be asked to.
    virtual bool stop() = 0;
    // The card can no longer be asked anything (pcfg_sim::card_lost).
    virtual bool lost() = 0;
};

}  // namespace pcfg_sim::card
