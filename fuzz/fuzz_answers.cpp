// The manager's answer to every request the library sends, delivered through
// the stand-in transport so the exchange and its printer run exactly as in a
// command: through the text entry point, then through the JSON one, whose
// output must be one JSON document.
//
// Input: byte 0 picks the command of the library's list (and the number its
// port, interval and FEC tokens carry), byte 1 how the answer comes (answer,
// null payload, silence, other opcode), the rest is the answer payload.
#include <iterator>

#include "pcfg_platform.h"
#include "pcfg_sim.h"
#include "port_cfg_cli.h"
#include "support.h"
#include "support/params.h"

namespace {

// Every parameter a command may look for carries one number.
constexpr int32_t kNumberParams[] = {PCFG_PARAM_PORT, PCFG_PARAM_RSRC_PORT, PCFG_PARAM_INTERVAL,
                                     PCFG_PARAM_FEC};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    pcfg_fuzz::begin_input();
    pcfg_fuzz::Input in(data, size);
    const uint8_t pick = in.byte();
    const pcfg_cmd_info &cmd = pcfg_cmd_list[pick % std::size(pcfg_cmd_list)];
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

    // The shell's own queue: the FEC command talks over it.
    static constexpr uint32_t kBindOptions[6] = MTS_CLIENT_BIND_OPTIONS;
    const int shell_queue = mts_bind(2, -1, kBindOptions, "fuzz shell");
    pcfg_test::Params block(cmd.id);
    block.handle(shell_queue);
    for (const int32_t param : kNumberParams) block.num(param, 1u + pick / std::size(pcfg_cmd_list));
    for (const auto entry : {port_cfg_cli_main, port_cfg_cli_main_json}) {
        pcfg_sim::script_reply(reply);
        const std::string out = pcfg_fuzz::printed([&] { entry(block.block()); });
        if (entry == port_cfg_cli_main_json) pcfg_fuzz::require_json(out, false);
    }
    pcfg_fuzz::end_input(1);
    mts_unbind(shell_queue, 0);
    return 0;
}
