// The stand-in history service: keeps the manager's history records in
// instances 0 to 7 (the newest 256 of each) and displays an instance by
// handing each record, oldest first, to the library's formatter,
// port_cfg_history_cli, the first with `first` 1, and ending its line.
#include <array>
#include <cstdio>
#include <deque>

#include "card_client.h"
#include "manager.h"
#include "port_cfg_cli.h"
#include "sim_state.h"

namespace pcfg_sim::detail {
namespace {

constexpr uint32_t kTextEvent = 12;
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
    history_record_at(instance, event_id, record, card().now);
}

void history_record_at(uint32_t instance, uint32_t event_id, std::span<const uint8_t> record,
                       uint32_t seconds) {
    if (instance >= kHistoryInstances) return;
    auto &log = hist().instances[instance];
    if (log.size() == kRecordsPerInstance) log.pop_front();
    log.push_back({event_id, {seconds, ++hist().stamp}, {record.begin(), record.end()}});
    ++hist().recorded;
}

int history_lookup(void *params, const mts_addr_t *addr, uint32_t hist_id, uint32_t instance,
                   uint32_t flags, const std::deque<HistRecord> *&records, bool &unknown) {
    records = nullptr;
    unknown = false;
    if (auto f = enter({"sdstub_show_hist_inst",
                        {given(params), addr != nullptr ? addr->node : 0,
                         addr != nullptr ? addr->sap : 0, hist_id, instance, flags},
                        {}, {}, {}}))
        return static_cast<int>(f->result);
    unknown = hist_id != kHistoryId || instance >= kHistoryInstances;
    if (unknown) return -1;
    records = &hist().instances[instance];
    return 0;
}

void history_show_record(uint32_t event_id, const hist_timestamp &ts,
                         std::span<const uint8_t> record, uint32_t first) {
    port_cfg_history_cli(record.data(), static_cast<uint32_t>(record.size()), event_id, &ts, first);
    // Each record on a line of its own; the text events of the Event Log end
    // their own lines.
    if ((event_id & 0xFFFFu) != kTextEvent) putchar('\n');
}

void history_unknown(uint32_t hist_id, uint32_t instance) {
    printf("history service: no history %u instance %u\n", hist_id, instance);
}

}  // namespace pcfg_sim::detail

void pcfg_sim::clear_history() { pcfg_sim::detail::history_reset(); }

using namespace pcfg_sim::detail;

extern "C" int sdstub_show_hist_inst(void *params, const mts_addr_t *addr, uint32_t hist_id,
                                     uint32_t instance, uint32_t flags) {
    if (card_client_active()) return client_history(params, addr, hist_id, instance, flags);
    card();  // the card starts on first use
    const std::deque<HistRecord> *records = nullptr;
    bool unknown = false;
    const int result = history_lookup(params, addr, hist_id, instance, flags, records, unknown);
    if (unknown) history_unknown(hist_id, instance);
    if (records == nullptr) return result;
    uint32_t first = 1;
    for (const HistRecord &r : *records) {
        history_show_record(r.event_id, r.ts, r.bytes, first);
        first = 0;
    }
    return 0;
}
