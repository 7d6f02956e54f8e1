// Command entry point: selects the command by its identifier (4 to 41) in
// the command table and runs it. Every outcome, failures included, is
// printed; the shell always gets 0 back.
#include <array>
#include <cstdint>
#include <cstdio>

#include "cli/commands.h"

using namespace pcfg;

namespace {

using CommandFn = void (*)(const cli_param_block &params) noexcept;

struct CommandSpec {
    pcfg_cmd_id id;
    CommandFn run;
};

// One row per command of the public header's list, with the operation bound
// to it.
#define PCFG_COMMAND_ROW(name, id, what) CommandSpec{name, run_command<name>},
constexpr CommandSpec kCommandSpecs[] = {PCFG_COMMANDS(PCFG_COMMAND_ROW)};
#undef PCFG_COMMAND_ROW

constexpr uint32_t kFirstCommandId = 4;
constexpr uint32_t kLastCommandId = 41;

constexpr bool ids_ascending_in_range() {
    uint32_t prev = kFirstCommandId - 1;
    for (const CommandSpec &c : kCommandSpecs) {
        const auto id = static_cast<uint32_t>(c.id);
        if (id <= prev || id > kLastCommandId) return false;
        prev = id;
    }
    return true;
}
static_assert(ids_ascending_in_range(), "identifiers ascend, each once, from 4 to 41");

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
