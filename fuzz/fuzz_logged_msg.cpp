// A logged message of the manager, as the event-log display hands it over:
// to the decode dispatcher, then the same record to every exported decoder
// directly, whatever its opcode; and to the JSON dispatcher, whose output
// must be one JSON object on one line.
//
// Input: the whole record, 48-byte header (12 seq_no, 16 length, 24 kind,
// 28 opcode) and payload.
#include <array>

#include "port_cfg_cli.h"
#include "support.h"

namespace {

// The decoders without a row of the opcode table.
constexpr std::array<pcfg_decoder_fn, 3> kUnlisted{
    show_get_one_port_counter_handler,
    show_lcp_get_port_info_handler,
    show_pcfg_query_port_capabilities_handler,
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    pcfg_fuzz::begin_input();
    const std::vector<uint8_t> rec = pcfg_fuzz::logged_record({data, size});
    const auto *msg = reinterpret_cast<const pcfg_logged_msg_t *>(rec.data());

    eventlog_port_cfg_cli(msg);
    for (const mts_filter_entry_t &row : shm_mts_filter_tbl) row.decoder(msg);
    for (pcfg_decoder_fn decoder : kUnlisted) decoder(msg);
    pcfg_fuzz::require_json(pcfg_fuzz::printed([&] { eventlog_port_cfg_cli_json(msg); }), true);
    pcfg_fuzz::end_input();
    return 0;
}
