#include "support/logged_record.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "support/library_units.h"
#include "support/capture.h"
#include "support/golden.h"
#include "support/json_twin.h"

namespace pcfg_test {

std::vector<uint8_t> logged_record(uint32_t opcode, uint32_t kind,
                                   const std::vector<uint8_t> &payload, uint32_t seq_no) {
    const auto length = static_cast<uint32_t>(48 + payload.size());
    return Bytes().u32(0).u32(0x00000101).u32(0x1001).u32(seq_no).u32(length).u32(0).u32(kind)
        .u32(opcode).raw(std::vector<uint8_t>(16, 0)).raw(payload);
}

std::string decode_cut(pcfg_decoder_fn decoder, const std::vector<uint8_t> &record,
                       uint32_t length) {
    const size_t size = std::max<size_t>(length, 48);
    auto copy = std::make_unique<uint8_t[]>(size);  // exactly this many bytes
    std::copy_n(record.begin(), std::min(size, record.size()), copy.get());
    for (int i = 0; i < 4; ++i) copy[16 + i] = static_cast<uint8_t>(length >> (24 - 8 * i));
    return capture_stdout(
        [&] { decoder(reinterpret_cast<const pcfg_logged_msg_t *>(copy.get())); });
}

std::string decode(pcfg_decoder_fn decoder, const std::vector<uint8_t> &record) {
    return decode_cut(decoder, record, static_cast<uint32_t>(record.size()));
}

namespace {

// The record as JSON: through the JSON dispatcher for a decoder of the
// table, else the decoder's writer form after the decoder's name.
std::string decode_json(pcfg_decoder_fn decoder, const std::vector<uint8_t> &record,
                        uint32_t length) {
    using namespace pcfg::out;
    static constexpr Field kDecoder = json_only<"decoder", Type::Str>();
    std::vector<uint8_t> copy(record.begin(), record.begin() + std::max<uint32_t>(length, 48));
    for (int i = 0; i < 4; ++i) copy[16 + i] = static_cast<uint8_t>(length >> (24 - 8 * i));
    const auto *msg = reinterpret_cast<const pcfg_logged_msg_t *>(copy.data());
    const pcfg::decode::DecoderForm *form = pcfg::decode::decoder_form(decoder);
    if (form == nullptr) return {};
    pcfg::decode::set_indent(5);
    if (get_mts_filter_tbl_entry(pcfg::decode::logged_opcode(msg)) != nullptr)
        return unlogged([&] { eventlog_port_cfg_cli_json(msg); });
    return json_of([&](Writer &w) {
        w.str(kDecoder, form->name);
        form->with_writer(msg, w);
    });
}

}  // namespace

void check_samples(const std::string &golden, const std::vector<DecodeSample> &samples,
                   std::source_location where) {
    Transcript t;
    for (const DecodeSample &s : samples) {
        const auto rec = logged_record(s.opcode, s.kind, s.payload);
        pcfg::decode::set_indent(5);
        const std::string text = decode(s.decoder, rec);
        t.add(s.name, text);
        // The decoder table sends the sample's opcode to the same decoder.
        const auto *logged = reinterpret_cast<const pcfg_logged_msg_t *>(rec.data());
        EXPECT_TRUE(s.opcode == 0 || capture_stdout([&] { eventlog_port_cfg_cli(logged); }) == text)
            << s.name << ": another decoder through the table";
        keep_json(text, decode_json(s.decoder, rec, static_cast<uint32_t>(rec.size())));
        for (uint32_t len = 0; len < rec.size(); ++len) {
            pcfg::decode::set_indent(5);
            const std::string cut = decode_cut(s.decoder, rec, len);
            keep_json(cut, decode_json(s.decoder, rec, len));
        }
    }
    expect_golden(golden, t.str(), where);
}

}  // namespace pcfg_test
