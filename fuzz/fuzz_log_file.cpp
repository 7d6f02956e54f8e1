// A saved event-log file: back-to-back logged messages, each delimited by
// its own length, decoded record by record by the stand-in's reader and the
// library's decoders.
//
// Input: the file's bytes.
#include <span>

#include "pcfg_sim.h"
#include "support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    pcfg_fuzz::begin_input();
    pcfg_sim::decode_log_bytes(std::span<const uint8_t>(data, size));
    pcfg_fuzz::end_input();
    return 0;
}
