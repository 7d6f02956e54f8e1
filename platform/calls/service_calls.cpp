// The history service's display call and the service call. The card keeps
// the history and answers the service call; the history is shown here, each
// record handed to the library's formatter, port_cfg_history_cli, oldest
// first, the first with `first` 1.
#include <cstdio>

#include "backend.h"
#include "call_log.h"

using namespace pcfg_sim;
using namespace pcfg_sim::platform;

namespace {

constexpr uint32_t kTextEvent = 12;

class Display final : public card::HistoryShow {
public:
    void unknown(uint32_t hist_id, uint32_t instance) override {
        printf("history service: no history %u instance %u\n", hist_id, instance);
    }
    void record(uint32_t event_id, const hist_timestamp &ts, std::span<const uint8_t> bytes) override {
        port_cfg_history_cli(bytes.data(), static_cast<uint32_t>(bytes.size()), event_id, &ts, first_);
        first_ = 0;
        // Each record on a line of its own; the text events of the Event Log
        // end their own lines.
        if ((event_id & 0xFFFFu) != kTextEvent) putchar('\n');
    }

private:
    uint32_t first_ = 1;
};

}  // namespace

extern "C" {

int sdstub_show_hist_inst(void *params, const mts_addr_t *addr, uint32_t hist_id, uint32_t instance,
                          uint32_t flags) {
    card::CardAccess &card = backend();
    note<CallId::sdstub_show_hist_inst>([&] {
        return Logged{{given(params), addr != nullptr ? addr->node : 0, addr != nullptr ? addr->sap : 0,
                       hist_id, instance, flags}};
    });
    Display display;
    return card.history(params != nullptr, addr, hist_id, instance, flags, display);
}

int32_t sse_call(uint32_t function, void *record) {
    card::CardAccess &card = backend();
    note<CallId::sse_call>([&] { return Logged{{function, given(record)}}; });
    return card.service(function, record);
}

}  // extern "C"
