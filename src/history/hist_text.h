// Text fields of a history line: the time column, the port name and the
// error columns. Every field is built in a fixed buffer and cut at its size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace pcfg::history {

inline constexpr size_t kTimeTextSize = 26;
inline constexpr size_t kTextSize = 64;  // error, type, action and reason texts

// Month, day, time of day and year of a timestamp (ctime without the weekday
// and the newline, 20 characters); 20 spaces when there is no date text.
void time_text(uint32_t seconds, std::span<char, kTimeTextSize> out) noexcept;

// Short interface name of a port, in the formatter's static 14-byte field.
// Valid until the next call.
const char *port_name(uint32_t if_index) noexcept;

// Error column of the Error and Port Control logs: "None" for 0, otherwise
// the platform's text of the code.
void error_text(int32_t code, std::span<char, kTextSize> out) noexcept;

// Error column of the Serdes Control log: "None" for 0, the text of the
// port-not-present code for its negative form, "Failure" for anything else.
void serdes_error_text(int32_t code, std::span<char, kTextSize> out) noexcept;

}  // namespace pcfg::history
