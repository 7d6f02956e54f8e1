// Event numbers of the manager's history and the logs they belong to.
#include <array>

#include "history/hist_logs.h"

namespace pcfg::history {
namespace {

constexpr auto kEvents = std::to_array<EventRow>({
    {Log::Error, nullptr},                       // 0  configuration error
    {Log::PortControl, "Enable"},                // 1
    {Log::PortControl, "Disable"},               // 2
    {Log::PortControl, "Participating Mode"},    // 3
    {Log::PortControl, "Offline"},               // 4
    {Log::PortControl, "Link reset"},            // 5
    {Log::LinkEvents, nullptr},                  // 6  link event, kind in the record
    {Log::LinkEvents, nullptr},                  // 7  link event, kind in the record
    {Log::Timestamp, "Enable TS Check"},         // 8
    {Log::Timestamp, "Disable TS Check"},        // 9
    {Log::Timestamp, "Update TS Value to %08x"}, // 10 value from the record
    {Log::PortControl, "Offline, blocked"},      // 11
    {Log::Event, nullptr},                       // 12 text event
    {Log::Mts, "MTS_RECV"},                      // 13
    {Log::Mts, "MTS_SEND"},                      // 14
    {Log::Invalid, nullptr},                     // 15
    {Log::Serdes, nullptr},                      // 16 serdes action, kind in the record
    {Log::Serdes, nullptr},                      // 17
    {Log::Serdes, nullptr},                      // 18
    {Log::PortControl, "Bandwidth config"},      // 19
    {Log::PortControl, "Bandwidth release"},     // 20
    {Log::LinkEvents, nullptr},                  // 21 link reset succeeded
    {Log::LinkEvents, nullptr},                  // 22 link reset failed
    {Log::LinkEvents, nullptr},                  // 23 FEC negotiation
});
static_assert(kEvents.size() == 24, "one row per event number 0 to 23");

constexpr EventRow kInvalid{Log::Invalid, nullptr};

// Indexed by Log.
constexpr auto kFormats = std::to_array<LogFormat>({
    {nullptr, 0, nullptr, nullptr, ""},
    {"error", kErrorRecordSize, error_log_heading, error_log_line, ""},
    {"port_control", kPortControlRecordSize, port_control_log_heading, port_control_log_line, ""},
    {"link_events", kLinkEventsRecordSize, link_events_log_heading, link_events_log_line, ""},
    {"timestamp", kTimestampRecordSize, timestamp_log_heading, timestamp_log_line, ""},
    {"event", 0, event_log_heading, event_log_line, "Timestamp: "},  // a zero-terminated text
    {"mts", kMtsRecordSize, mts_log_heading, mts_log_line, ""},
    {"serdes", kSerdesRecordSize, serdes_log_heading, serdes_log_line, ""},
});
static_assert(kFormats.size() == static_cast<size_t>(Log::Serdes) + 1, "one format per log");

}  // namespace

const EventRow &event_row(uint32_t event) noexcept {
    return event < kEvents.size() ? kEvents[event] : kInvalid;
}

const LogFormat &log_format(Log log) noexcept {
    return kFormats[static_cast<size_t>(log)];
}

}  // namespace pcfg::history
