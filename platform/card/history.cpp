// The card's history service: keeps the manager's history records in
// instances 0 to 7 (the newest 256 of each) for the history calls to show.
#include <array>
#include <deque>

#include "card.h"
#include "manager.h"

namespace pcfg_sim::card {
namespace {

constexpr size_t kRecordsPerInstance = 256;  // oldest records roll off

struct History {
    std::array<std::deque<HistRecord>, kHistoryInstances> instances;
    uint32_t recorded = 0;
    uint32_t stamp = 0;  // second word of the timestamps: a running record number
};

History &hist() {
    static History h;
    return h;
}

}  // namespace

void history_reset() { hist() = History{}; }

uint32_t history_event_count() { return hist().recorded; }

void history_record(uint32_t instance, uint32_t event_id, std::span<const uint8_t> record) {
    history_record_at(instance, event_id, record, state().now);
}

void history_record_at(uint32_t instance, uint32_t event_id, std::span<const uint8_t> record,
                       uint32_t seconds) {
    if (instance >= kHistoryInstances) return;
    auto &log = hist().instances[instance];
    if (log.size() == kRecordsPerInstance) log.pop_front();
    log.push_back({event_id, {seconds, ++hist().stamp}, {record.begin(), record.end()}});
    ++hist().recorded;
}

HistoryLookup history_lookup(uint32_t hist_id, uint32_t instance) {
    state();  // the card starts on first use
    if (auto f = faults().meet(CallId::sdstub_show_hist_inst)) return {static_cast<int>(f->result)};
    if (hist_id != kHistoryId || instance >= kHistoryInstances) return {-1, true};
    return {0, false, &hist().instances[instance]};
}

}  // namespace pcfg_sim::card
