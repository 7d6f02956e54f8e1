// History record formatter: the history service calls it once per record of
// the manager's history (history identifier 173) that it displays. The
// event identifier selects the log; the first record of a display brings the
// log's title and headings.
#include <cstdio>

#include "history/hist_logs.h"
#include "history/hist_text.h"
#include "port_cfg_cli.h"

using namespace pcfg::history;

namespace {
constexpr uint32_t kHistoryId = 173;
}  // namespace

// The record length is not read: the history service hands over whole
// records, as long as their log's layout.
extern "C" int port_cfg_history_cli(const void *record, uint32_t, uint32_t hist_event_id,
                                    const hist_timestamp *timestamp, uint32_t first) noexcept {
    const uint32_t event = hist_event_id & 0xFFFFu;
    const EventRow &row = event_row(event);
    if ((hist_event_id >> 16) != kHistoryId || row.log == Log::Invalid)
        return puts("Invalid event!");

    const LogFormat &format = log_format(row.log);
    const hist_timestamp ts = timestamp != nullptr ? *timestamp : hist_timestamp{0, 0};
    if (first == 1) format.heading();
    const int column =
        print_time_column(format.time_lead, ts.seconds, static_cast<unsigned long>(ts.second_word));
    const HistLine line{static_cast<uint16_t>(event), row.action,
                        HostRecord(record, format.record_size), record};
    const int rest = format.line(line);
    // The character count of the whole line, as one printf of it would give.
    return column < 0 || rest < 0 ? -1 : column + rest;
}
