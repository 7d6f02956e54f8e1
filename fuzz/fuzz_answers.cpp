// The manager's answer to every request the library sends, delivered through
// the stand-in transport so the exchange and its printer run exactly as in a
// command.
//
// Input: byte 0 picks the command, byte 1 how the answer comes (answer,
// null payload, silence, other opcode), the rest is the answer payload.
#include <array>
#include <memory>
#include <vector>

#include "pcfg_platform.h"
#include "pcfg_sim.h"
#include "port_cfg_cli.h"
#include "support.h"

namespace {

struct Command {
    int32_t cmd_id;
    int32_t param_id;  // 0: no token
    uint32_t value;
};

// Report types 1, 4, 5, 6, 8, 9, 10, 11, the counter request, the bandwidth
// request and the FEC reply.
constexpr std::array<Command, 12> kCommands{{
    {10, 0, 0},   {16, 0, 0},  {17, 17, 3}, {18, 0, 0},  {19, 17, 2}, {26, 0, 0},
    {33, 12, 5},  {34, 12, 1}, {28, 12, 7}, {29, 12, 2}, {40, 40, 30}, {41, 12, 4},
}};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    pcfg_fuzz::init();
    pcfg_fuzz::Input in(data, size);
    const Command &cmd = kCommands[in.byte() % kCommands.size()];
    const uint8_t how = in.byte();
    pcfg_sim::reset();

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

    auto block = std::make_unique<cli_param_block>();
    cli_param_token token{};
    uint32_t value = cmd.value;
    block->cmd_id = cmd.cmd_id;
    if (cmd.param_id != 0) {
        token.param_id = cmd.param_id;
        token.value = &value;
        block->tokens[0] = &token;
        block->token_count = 1;
    }
    const uint32_t options[6] = {1, 0, 0x400, 0, 0, 0xf};
    block->mts_handle = mts_bind(2, -1, options, "fuzz shell");
    port_cfg_cli_main(block.get());
    pcfg_fuzz::check_invariants(1);
    mts_unbind(block->mts_handle, 0);
    return 0;
}
