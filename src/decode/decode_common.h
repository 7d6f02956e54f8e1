// What every message decoder shares: the logged-message view, the shared
// indent, the port lookup, the counter-set names and the two error lines.
//
// A logged message is a 48-byte big-endian header followed by its payload:
//   0..11 not read, 12 seq_no, 16 length (header included), 20..23 not read,
//   24 kind (1 request, 2 reply), 28 opcode, 32..47 not read, 48 payload.
// A decoder is handed only the record's address. It reads the 48 header
// bytes and then exactly `length` - 48 payload bytes (none when `length` is
// below 48), whatever the counts inside the payload claim.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "common/be_reader.h"
#include "port_cfg_cli.h"

// The decoders' indent: a run of spaces and a terminating zero, shared by
// every decoder line that begins with "%s". Empty until the first dispatch;
// one buffer for the whole library, never exported.
extern "C" __attribute__((visibility("hidden"))) char pcfg_show_indent[32];

namespace pcfg::decode {

inline constexpr size_t kHeaderLen = PCFG_LOGGED_MSG_HDR_LEN;
inline constexpr uint32_t kKindRequest = 1;

// Sets the indent to n spaces (n below the buffer's size).
void set_indent(size_t n) noexcept;

// The header fields of one logged message and a reader over its payload.
// A null record reads as an empty record (every field 0, no payload).
struct LoggedMsg {
    uint32_t seq_no = 0;
    uint32_t length = 0;
    uint32_t kind = 0;
    uint32_t opcode = 0;
    BeReader payload;
};
LoggedMsg open_logged_msg(const pcfg_logged_msg_t *msg) noexcept;
// The opcode alone (header bytes 28..31) of a record that is not null.
uint32_t logged_opcode(const pcfg_logged_msg_t *msg) noexcept;

// The port number the port map gives for an interface index; none when the
// map does not know it.
std::optional<uint32_t> port_of(uint32_t if_index) noexcept;

// Name of a counter set: "MAC_STAT_CNTR_TYPE_AGGR", "..._CURR" or "UNKNOWN".
const char *aggr_name(uint8_t aggr) noexcept;

// True when the payload holds the decoder's fixed part of `need` bytes;
// otherwise prints "<indent>SYSERR_PM_INVALID_ARG" and gives false.
bool has_fixed_part(const BeReader &payload, size_t need) noexcept;

// The line that ends a record whose counts promise more than it holds.
void print_invalid_message() noexcept;

// The WWN line: eight bytes as two-digit hex, no indent.
void print_wwn_line(std::span<const uint8_t, 8> wwn) noexcept;

}  // namespace pcfg::decode
