// The configuration event summary (commands 30 and 31) over an event log of
// fuzzed records.
//
// Input: byte 0 picks the token list, byte 1 the port of a token 31, byte 2
// the event-log read that fails (0: none); then records, each a flags byte
// (bit 0: a reply, bit 1: another opcode than 395), a u16 payload length
// and the payload. The log numbers the records and sets their lengths.
#include <array>

#include "pcfg_sim.h"
#include "port_cfg_cli.h"
#include "support.h"
#include "support/params.h"

namespace {

constexpr uint32_t kOpcSetPortCfg = 395;
constexpr uint32_t kOpcPortControl = 398;
constexpr size_t kMaxRecords = 64;

struct Shape {
    pcfg_cmd_id cmd_id;
    std::array<int32_t, 2> tokens;  // 0: none; 31 carries the port
    bool null_port = false;         // token 31 without a value
};

constexpr std::array<Shape, 6> kShapes{{
    {PCFG_CMD_SUMMARY_ALL, {PCFG_PARAM_SUMMARY_ALL, 0}},
    {PCFG_CMD_SUMMARY_PORT, {PCFG_PARAM_SUMMARY_PORT, 0}},
    {PCFG_CMD_SUMMARY_PORT, {PCFG_PARAM_SUMMARY_PORT, PCFG_PARAM_SUMMARY_ALL}},
    {PCFG_CMD_SUMMARY_ALL, {PCFG_PARAM_SUMMARY_ALL, PCFG_PARAM_PORT}},  // last token neither 30 nor 31
    {PCFG_CMD_SUMMARY_PORT, {PCFG_PARAM_SUMMARY_PORT, 0}, true},
    {PCFG_CMD_SUMMARY_ALL, {PCFG_PARAM_PORT, 0}},  // no summary token
}};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    pcfg_fuzz::begin_input();
    pcfg_fuzz::Input in(data, size);
    const Shape &shape = kShapes[in.byte() % kShapes.size()];
    const uint8_t port = in.byte();
    const uint8_t failing_read = in.byte();

    pcfg_sim::clear_event_log();
    for (size_t n = 0; n < kMaxRecords && !in.empty(); ++n) {
        const uint8_t flags = in.byte();
        const auto payload = in.take(in.u16());
        pcfg_sim::log_message((flags & 1) != 0 ? 2 : 1,
                              (flags & 2) != 0 ? kOpcPortControl : kOpcSetPortCfg,
                              {payload.begin(), payload.end()});
    }
    if (failing_read != 0) pcfg_sim::fail("shm_eventlog_read_rec", -1, 0, failing_read);

    pcfg_test::Params block(shape.cmd_id);
    for (int32_t id : shape.tokens) {
        if (id == 0) continue;
        const bool bare = id == PCFG_PARAM_SUMMARY_ALL ||
                          (id == PCFG_PARAM_SUMMARY_PORT && shape.null_port);
        bare ? block.bare(id) : block.num(id, port);
    }
    port_cfg_cli_main(block.block());
    pcfg_fuzz::end_input();
    return 0;
}
