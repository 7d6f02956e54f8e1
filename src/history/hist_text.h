// Text fields of a history line: the time column, the port name and the
// error columns. Every field is built in a fixed buffer and cut at its size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "common/writer.h"

namespace pcfg::history {

inline constexpr size_t kTextSize = 64;  // error, type, action and reason texts

// Prints `lead`, then the time column: month, day, time of day and year of
// `seconds` (the date text without its weekday, 20 characters, padded to 22;
// 22 spaces when there is no date), then `second` as eight digits. Returns
// printf's count.
int print_time_column(out::Writer &w, const char *lead, uint32_t seconds,
                      unsigned long second) noexcept;

// The port of a record: its short interface name and its interface index.
int print_port(out::Writer &w, const out::Field &name, uint32_t if_index) noexcept;

// A platform error code as its column shows it (error_text or
// serdes_error_text) and as its number.
int print_error(out::Writer &w, const out::Field &f, int32_t code, const char *text) noexcept;

// Short interface name of a port, in the formatter's static 14-byte field.
// Valid until the next call.
const char *port_name(uint32_t if_index) noexcept;

// Error column of the Error and Port Control logs: "None" for 0, otherwise
// the platform's text of the code. Texts that need cutting or building are
// made in `field`; the others are handed back as they are.
const char *error_text(int32_t code, std::span<char, kTextSize> field) noexcept;

// Error column of the Serdes Control log: "None" for 0, the text of the
// port-not-present code for its negative form, "Failure" for anything else.
const char *serdes_error_text(int32_t code, std::span<char, kTextSize> field) noexcept;

}  // namespace pcfg::history
