// The manager's answer to every request the library sends, delivered through
// the stand-in transport so the exchange and its printer run exactly as in a
// command.
//
// Input: byte 0 picks the command, byte 1 how the answer comes (answer,
// null payload, silence, other opcode), the rest is the answer payload.
#include <array>

#include "pcfg_platform.h"
#include "pcfg_sim.h"
#include "port_cfg_cli.h"
#include "support.h"
#include "support/params.h"

namespace {

struct Command {
    pcfg_cmd_id cmd_id;
    int32_t param_id;  // 0: no token
    uint32_t value;
};

// Report types 1, 4, 5, 6, 8, 9, 10, 11, the counter request (aggregate and
// current), the bandwidth request and the FEC reply.
constexpr std::array<Command, 12> kCommands{{
    {PCFG_CMD_CMDS_PROCESSED, 0, 0},
    {PCFG_CMD_RSRC_CARD, 0, 0},
    {PCFG_CMD_RSRC_PORT, PCFG_PARAM_RSRC_PORT, 3},
    {PCFG_CMD_EVENTS, 0, 0},
    {PCFG_CMD_CREDIT_TBL, PCFG_PARAM_RSRC_PORT, 2},
    {PCFG_CMD_CREDIT_TBL_2, 0, 0},
    {PCFG_CMD_PORT_INFO, PCFG_PARAM_PORT, 5},
    {PCFG_CMD_PORT_DDM_INFO, PCFG_PARAM_PORT, 1},
    {PCFG_CMD_PORT_AGGR_CNTR, PCFG_PARAM_PORT, 7},
    {PCFG_CMD_PORT_CUR_CNTR, PCFG_PARAM_PORT, 2},
    {PCFG_CMD_PERFSTATS, PCFG_PARAM_INTERVAL, 30},
    {PCFG_CMD_SET_FEC, PCFG_PARAM_PORT, 4},
}};

constexpr std::array<uint32_t, 6> kShellBindOptions MTS_CLIENT_BIND_OPTIONS;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    pcfg_fuzz::begin_input();
    pcfg_fuzz::Input in(data, size);
    const Command &cmd = kCommands[in.byte() % kCommands.size()];
    const uint8_t how = in.byte();

    pcfg_sim::Reply reply;
    switch (how % 4) {
    case 0: reply.kind = pcfg_sim::Reply::Kind::Answer; break;
    case 1: reply.kind = pcfg_sim::Reply::Kind::NullPayload; break;
    case 2: reply.kind = pcfg_sim::Reply::Kind::Silence; break;
    default: reply.kind = pcfg_sim::Reply::Kind::Answer; reply.opcode = 435u + how; break;
    }
    const auto rest = in.rest();
    reply.payload.assign(rest.begin(), rest.end());
    pcfg_sim::script_reply(std::move(reply));

    // The shell's own queue: the FEC command talks over it.
    const int shell_queue = mts_bind(2, -1, kShellBindOptions.data(), "fuzz shell");
    pcfg_test::Params block(cmd.cmd_id);
    block.handle(shell_queue);
    if (cmd.param_id != 0) block.num(cmd.param_id, cmd.value);
    port_cfg_cli_main(block.block());
    pcfg_fuzz::end_input(1);
    mts_unbind(shell_queue, 0);
    return 0;
}
