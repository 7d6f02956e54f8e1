// What every message decoder shares: the logged-message view, the shared
// indent, the port lookup, the counter-set names, the two error lines, and
// the decoders' table with the writer form of each decoder.
//
// A logged message is a 48-byte big-endian header followed by its payload:
//   0..11 not read, 12 seq_no, 16 length (header included), 20..23 not read,
//   24 kind (1 request, 2 reply), 28 opcode, 32..47 not read, 48 payload.
// A decoder is handed only the record's address. It reads the 48 header
// bytes and then exactly `length` - 48 payload bytes (none when `length` is
// below 48), whatever the counts inside the payload claim.
//
// Each decoder is written once, against a writer:
//
//     template <>
//     void pcfg::decode::decode<show_x_handler>(const pcfg_logged_msg_t *msg, Writer &w) noexcept
//
// and the exported show_x_handler prints its text (PCFG_TEXT_DECODER).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "common/be_reader.h"
#include "common/writer.h"
#include "port_cfg_cli.h"

namespace pcfg::decode {

using out::Writer;

inline constexpr size_t kHeaderLen = PCFG_LOGGED_MSG_HDR_LEN;
inline constexpr uint32_t kKindRequest = 1;

// The decoder of the exported decoder `Exported`, writing to a writer.
template <pcfg_decoder_fn Exported>
__attribute__((visibility("hidden"))) void decode(const pcfg_logged_msg_t *msg,
                                                  Writer &w) noexcept;

// The writer form of an exported decoder, and the name JSON gives it; null
// for a function that is no decoder of the library.
struct DecoderForm {
    pcfg_decoder_fn exported;
    void (*with_writer)(const pcfg_logged_msg_t *msg, Writer &w) noexcept;
    const char *name;
};
const DecoderForm *decoder_form(pcfg_decoder_fn exported) noexcept;

// Sets the indent to n spaces (n below the buffer's size).
void set_indent(size_t n) noexcept;
// Text the text shows on a line of its own after the indent.
void indented_text(Writer &w, const char *s) noexcept;

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
bool has_fixed_part(const BeReader &payload, size_t need, Writer &w) noexcept;

// The line that ends a record whose counts promise more than it holds.
void print_invalid_message(Writer &w) noexcept;

// A WWN: eight bytes as two-digit hex, in the format of `f` (a text).
void print_wwn_line(std::span<const uint8_t, 8> wwn, const out::Field &f, Writer &w) noexcept;
// The WWN line of print_wwn: no indent.
inline constexpr out::Field kWwnLine = out::field<"wwn", out::Type::Str>("%s\n");

}  // namespace pcfg::decode

// The exported decoder `name`: the text of its writer form.
#define PCFG_TEXT_DECODER(name)                                           \
    extern "C" void name(const pcfg_logged_msg_t *msg) noexcept {         \
        pcfg::decode::decode<name>(msg, pcfg::out::text_writer());        \
    }
