// The summary rows of one logged set-port-configuration message.
#pragma once

#include <cstdint>

#include "common/writer.h"

namespace pcfg::summary {

// Port filter value that lets every port through.
inline constexpr uint8_t kNoFilter = 255;

// Prints one row per port entry of a logged request that carries a setting
// the summary shows (only the port `port_filter` unless it is kNoFilter).
// Replies and entries that cannot be read end the record without a word.
void print_record(const uint8_t *record, uint8_t port_filter,
                  out::Writer &w = out::text_writer()) noexcept;

// The heading of the rows.
void print_heading(out::Writer &w) noexcept;

}  // namespace pcfg::summary
