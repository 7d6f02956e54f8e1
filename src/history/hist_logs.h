// The seven logs of the manager's history (history identifier 173) and what
// one formatted line of them needs.
//
// The event number (low half of the event identifier) selects the log, its
// record layout and its line; hist_events.cpp holds that table. Each log has
// a file of its own with its record layout, its heading and its line.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/writer.h"
#include "history/host_record.h"

namespace pcfg::history {

using out::Writer;

enum class Log : uint8_t {
    Invalid,
    Error,
    PortControl,
    LinkEvents,
    Timestamp,
    Event,
    Mts,
    Serdes,
};

// Everything one data line is made of.
struct HistLine {
    uint16_t event;         // event number 0..23
    const char *action;     // the event's text from the event table (may be null)
    HostRecord record;      // the record, bounded by its log's layout
    const void *raw;        // the record as handed over (the Event Log's text)
};

// A data line is the time column (printed by the formatter, after the log's
// lead text) followed by the rest of the line (printed by the log).
struct LogFormat {
    const char *name;                                    // the log's name in JSON
    size_t record_size;                                  // layout size of the log's records
    void (*heading)(Writer &w) noexcept;                 // title and heading lines
    int (*line)(const HistLine &, Writer &w) noexcept;   // the line after the time column
    const char *time_lead;                               // text before the time column
};

struct EventRow {
    Log log;
    const char *action;  // event text where the event table gives one
};

// The event number's row; events 15 and above 23 are Log::Invalid.
const EventRow &event_row(uint32_t event) noexcept;
// How a log is laid out and printed (not for Log::Invalid).
const LogFormat &log_format(Log log) noexcept;

// Headings and lines, one pair per log.
void error_log_heading(Writer &w) noexcept;
int error_log_line(const HistLine &l, Writer &w) noexcept;
void port_control_log_heading(Writer &w) noexcept;
int port_control_log_line(const HistLine &l, Writer &w) noexcept;
void link_events_log_heading(Writer &w) noexcept;
int link_events_log_line(const HistLine &l, Writer &w) noexcept;
void timestamp_log_heading(Writer &w) noexcept;
int timestamp_log_line(const HistLine &l, Writer &w) noexcept;
void event_log_heading(Writer &w) noexcept;
int event_log_line(const HistLine &l, Writer &w) noexcept;
void mts_log_heading(Writer &w) noexcept;
int mts_log_line(const HistLine &l, Writer &w) noexcept;
void serdes_log_heading(Writer &w) noexcept;
int serdes_log_line(const HistLine &l, Writer &w) noexcept;

// Record sizes of the logs, in bytes.
inline constexpr size_t kErrorRecordSize = 16;
inline constexpr size_t kPortControlRecordSize = 8;
inline constexpr size_t kLinkEventsRecordSize = 17;
inline constexpr size_t kTimestampRecordSize = 4;
inline constexpr size_t kMtsRecordSize = 8;
inline constexpr size_t kSerdesRecordSize = 12;

}  // namespace pcfg::history
