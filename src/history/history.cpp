// History record formatter: the history service calls it once per record of
// the manager's history (history identifier 173) that it displays. The
// event identifier selects the log; the first record of a display brings the
// log's title and headings. The same record prints as one JSON object: on
// its own line through port_cfg_history_cli_json, or, while a command runs
// through the JSON command entry point, as the next record of its document.
#include <cstdio>

#include "history/hist_logs.h"
#include "history/hist_text.h"
#include "port_cfg_cli.h"

using namespace pcfg::history;
using namespace pcfg::out;

namespace {

constexpr uint32_t kHistoryId = 173;

constexpr Field kLog = json_only<"log", Type::Str>();
constexpr Field kEvent = json_only<"event", Type::Int>();
constexpr Field kEventId = json_only<"event_id", Type::Uint>();

// The record's line; the record length is not read: the history service
// hands over whole records, as long as their log's layout.
int format(Writer &w, const void *record, uint32_t hist_event_id, const hist_timestamp *timestamp,
           uint32_t first) {
    const uint32_t event = hist_event_id & 0xFFFFu;
    const EventRow &row = event_row(event);
    const bool valid = (hist_event_id >> 16) == kHistoryId && row.log != Log::Invalid;
    w.str(kLog, valid ? log_format(row.log).name : nullptr);
    w.put(kEventId, hist_event_id);
    if (!valid) return w.fail(Fail::InvalidEvent, "Invalid event!\n");

    const LogFormat &format = log_format(row.log);
    const hist_timestamp ts = timestamp != nullptr ? *timestamp : hist_timestamp{0, 0};
    w.put(kEvent, event);
    if (first == 1) format.heading(w);
    Count n;
    n += print_time_column(w, format.time_lead, ts.seconds, static_cast<unsigned long>(ts.second_word));
    const HistLine line{static_cast<uint16_t>(event), row.action,
                        HostRecord(record, format.record_size), record};
    // The character count of the whole line, as one printf of it would give.
    n += format.line(line, w);
    return n.n;
}

}  // namespace

extern "C" int port_cfg_history_cli(const void *record, uint32_t, uint32_t hist_event_id,
                                    const hist_timestamp *timestamp, uint32_t first) noexcept {
    if (Writer *command = running_json_command()) {
        const Scope element(*command, nullptr);
        return format(*command, record, hist_event_id, timestamp, first);
    }
    return format(text_writer(), record, hist_event_id, timestamp, first);
}

extern "C" int port_cfg_history_cli_json(const void *record, uint32_t, uint32_t hist_event_id,
                                         const hist_timestamp *timestamp, uint32_t first) noexcept {
    JsonWriter w;
    const int n = format(w, record, hist_event_id, timestamp, first);
    w.finish();
    return n < 0 ? -1 : 0;
}
