// A record of the manager's history, as the history service hands it to the
// formatter, and to its JSON twin, whose output must be one JSON object on
// one line.
//
// Input: u32 event identifier, u32 timestamp seconds, u32 second timestamp
// word, u32 `first`, one byte of flags (bit 0: no timestamp, bit 1: no
// record), then the record bytes.
#include <algorithm>
#include <vector>

#include "port_cfg_cli.h"
#include "support.h"

namespace {

// The formatter trusts a record to be as long as its log's layout (at most
// 17 bytes) and an Event Log text to end in a zero (the manager cuts its
// texts to 127 characters): the buffer is larger than both, zero-padded.
constexpr size_t kRecordBuffer = 128;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    pcfg_fuzz::begin_input();
    pcfg_fuzz::Input in(data, size);
    const uint32_t event_id = in.u32();
    const hist_timestamp ts{in.u32(), in.u32()};
    const uint32_t first = in.u32();
    const uint8_t flags = in.byte();

    std::vector<uint8_t> record(kRecordBuffer, 0);
    const auto bytes = in.take(kRecordBuffer - 1);
    std::copy(bytes.begin(), bytes.end(), record.begin());

    for (const auto formatter : {port_cfg_history_cli, port_cfg_history_cli_json}) {
        const std::string out = pcfg_fuzz::printed([&] {
            formatter((flags & 2) != 0 ? nullptr : record.data(), static_cast<uint32_t>(bytes.size()),
                      event_id, (flags & 1) != 0 ? nullptr : &ts, first);
        });
        if (formatter == port_cfg_history_cli_json) pcfg_fuzz::require_json(out, true);
    }
    pcfg_fuzz::end_input();
    return 0;
}
