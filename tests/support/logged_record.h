// Logged transport messages for the decoder tests: payload building, the
// 48-byte record header, and decoding from buffers of exactly a record's
// size so that the sanitizers catch any read past its end.
#pragma once

#include <cstdint>
#include <source_location>
#include <string>
#include <vector>

#include "port_cfg_cli.h"
#include "support/bytes.h"

namespace pcfg_test {

inline constexpr uint32_t kRequest = 1;
inline constexpr uint32_t kReply = 2;
// An interface index no port of the simulated card has.
inline constexpr uint32_t kUnknownIfIndex = 0x05000000;

// A record: 12 seq_no, 16 length, 24 kind, 28 opcode, 48 payload.
std::vector<uint8_t> logged_record(uint32_t opcode, uint32_t kind,
                                   const std::vector<uint8_t> &payload, uint32_t seq_no = 1);

// What the decoder prints for the record's first `length` bytes: the record
// is copied into a heap buffer of exactly max(length, 48) bytes whose length
// field says `length` (the header itself is always there to be read).
std::string decode_cut(pcfg_decoder_fn decoder, const std::vector<uint8_t> &record,
                       uint32_t length);
// What the decoder prints for the whole record, from an exactly sized copy.
std::string decode(pcfg_decoder_fn decoder, const std::vector<uint8_t> &record);

// One sample message for a decoder.
struct DecodeSample {
    std::string name;
    pcfg_decoder_fn decoder;
    uint32_t opcode;
    uint32_t kind;
    std::vector<uint8_t> payload;
};

// What each sample decodes to with a 5-space indent, checked against the
// golden transcript `golden` (a sample with an opcode decodes the same
// through the decoder table); then the truncation sweep: every shorter length
// of each sample decodes without reading past the record.
void check_samples(const std::string &golden, const std::vector<DecodeSample> &samples,
                   std::source_location where = std::source_location::current());

}  // namespace pcfg_test
