// Command entry point: selects the command by its identifier (4 to 41) in
// the command table and runs it. Every outcome, failures included, is
// printed; the shell always gets 0 back.
#include <array>
#include <cstdio>

#include "cli/command_table.h"

using namespace pcfg;

namespace {

// The command table spread over identifiers 4 to 41; a null slot is an
// unassigned identifier.
constexpr auto kSlots = [] {
    std::array<CommandFn, kLastCommandId - kFirstCommandId + 1> slots{};
    for (const CommandSpec &c : kCommandSpecs) slots[static_cast<uint32_t>(c.id) - kFirstCommandId] = c.run;
    return slots;
}();

}  // namespace

extern "C" int32_t port_cfg_cli_main(cli_param_block *params) noexcept {
    const int32_t id = params->cmd_id;
    const uint32_t slot = static_cast<uint32_t>(id) - kFirstCommandId;
    const CommandFn run = slot < kSlots.size() ? kSlots[slot] : nullptr;
    if (run == nullptr) {
        printf("Invalid cmd_id = 0x%x\n", static_cast<unsigned>(id));
        return 0;
    }
    run(*params);
    return 0;
}
