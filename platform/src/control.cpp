// Control of the stand-in platform: reset, faults and the call log.
#include <algorithm>
#include <map>

#include "card_client.h"
#include "manager_history.h"
#include "sim_state.h"

namespace pcfg_sim {
namespace detail {
namespace {

struct FaultRule {
    uint32_t countdown;  // calls to let through first
    uint32_t times;      // failing calls left (0 = no end)
    Fault fault;
};

// The call log is kept for inspection; a long shell session keeps only the
// most recent calls.
constexpr size_t kMaxLoggedCalls = 1u << 16;

std::vector<Call> &call_log() {
    static std::vector<Call> log;
    return log;
}

bool g_call_log_on = true;

std::multimap<std::string, FaultRule, std::less<>> &fault_rules() {
    static std::multimap<std::string, FaultRule, std::less<>> rules;
    return rules;
}

}  // namespace

std::vector<uint32_t> words_of(const uint32_t *p, size_t n) {
    return p != nullptr ? std::vector<uint32_t>(p, p + n) : std::vector<uint32_t>{};
}

bool faults_armed() { return !fault_rules().empty(); }
size_t fault_rules_armed() { return fault_rules().size(); }

bool calls_watched() { return g_call_log_on || !fault_rules().empty(); }

std::optional<Fault> enter(Call call) {
    auto &rules = fault_rules();
    std::optional<Fault> out;
    auto [first, last] = rules.equal_range(call.name);
    for (auto it = first; it != last; ++it) {
        FaultRule &rule = it->second;
        if (rule.countdown > 0) {
            --rule.countdown;
            continue;
        }
        out = rule.fault;
        if (rule.times != 0 && --rule.times == 0) rules.erase(it);
        break;
    }
    if (!g_call_log_on) return out;
    auto &log = call_log();
    if (log.size() >= kMaxLoggedCalls) log.erase(log.begin(), log.begin() + kMaxLoggedCalls / 2);
    log.push_back(std::move(call));
    return out;
}

}  // namespace detail

void reset(const CardConfig &config) {
    if (detail::card_client_active()) {
        detail::client_control(detail::Control::Reset, detail::Wire().u32(config.num_ports).take());
        detail::fault_rules().clear();
        return;
    }
    if (!config.keep_queues) detail::transport_reset();
    detail::Card &c = detail::card();
    c.config = config;
    c.ports.clear();
    std::vector<uint8_t> indexes = config.port_indexes;
    if (indexes.empty() && config.num_ports > 0) {
        const uint32_t n = std::min<uint32_t>(config.num_ports, 255);
        for (uint32_t i = 0; i < n; ++i) indexes.push_back(static_cast<uint8_t>(i));
    }
    for (uint8_t idx : indexes) {
        detail::SimPort p;
        p.port_index = idx;
        p.if_index = detail::make_if_index(config.slot, idx);
        // A busy card: every fourth port carries no traffic, the others
        // between a few hundred kB/s and about 1.6 GB/s, receiving more than
        // they send.
        if (idx % 4 != 3) {
            p.in_rate = 250000ull * (1u + (idx * 37u) % 64u) + 1000u * idx;
            p.out_rate = p.in_rate / 2 + 4096u * idx;
        }
        c.ports.push_back(p);
    }
    c.now = config.start_time != 0 ? config.start_time : 1764950400;  // 2025-12-05 16:00:00 UTC
    c.started = c.now;
    detail::manager_reset();
    if (!config.keep_event_log) detail::eventlog_reset();
    detail::history_reset();
    detail::hist_on_card_start();
    if (config.log_start_up) detail::eventlog_card_start();
    clear_faults();
    clear_calls();
}

void fail(std::string_view call, int64_t result, int err, uint32_t nth, uint32_t times) {
    if (detail::card_client_active() && detail::answered_by_card(call)) {
        detail::Wire body;
        body.u16(static_cast<uint16_t>(call.size()))
            .bytes({reinterpret_cast<const uint8_t *>(call.data()), call.size()})
            .u64(static_cast<uint64_t>(result))
            .u32(static_cast<uint32_t>(err))
            .u32(nth)
            .u32(times);
        detail::client_control(detail::Control::Fail, body.take());
        return;
    }
    detail::fault_rules().emplace(std::string(call),
                                  detail::FaultRule{nth > 0 ? nth - 1 : 0, times, {result, err}});
}

void clear_faults() {
    if (detail::card_client_active()) detail::client_control(detail::Control::ClearFaults, {});
    detail::fault_rules().clear();
}

std::vector<ArmedFault> armed_faults() {
    // A shell on the shared card: the card's faults, then its own.
    std::vector<ArmedFault> out =
        detail::card_client_active() ? card_status().value_or(CardStatus{}).faults : std::vector<ArmedFault>{};
    for (const auto &[call, rule] : detail::fault_rules())
        out.push_back({call, rule.fault.result, rule.fault.err, rule.countdown + 1, rule.times});
    return out;
}

const std::vector<Call> &calls() { return detail::call_log(); }

std::vector<Call> calls_named(std::string_view name) {
    std::vector<Call> out;
    for (const Call &c : detail::call_log())
        if (c.name == name) out.push_back(c);
    return out;
}

void clear_calls() { detail::call_log().clear(); }
void set_call_log(bool on) { detail::g_call_log_on = on; }

int open_queues() {
    if (detail::card_client_active()) return static_cast<int>(card_status().value_or(CardStatus{}).queues);
    return detail::transport_open_queues();
}
int held_messages() {
    if (detail::card_client_active()) return static_cast<int>(card_status().value_or(CardStatus{}).held);
    return detail::transport_held_messages();
}

}  // namespace pcfg_sim
