// Command entry points: select the command by its identifier (4 to 41) in
// the command table and run it, printing the text or one JSON document.
// Every outcome, failures included, is printed; the shell always gets 0
// back.
#include <array>
#include <cstdint>
#include <cstdio>

#include "cli/commands.h"

using namespace pcfg;
using namespace pcfg::out;

namespace {

using CommandFn = void (*)(const cli_param_block &params, Writer &w) noexcept;

struct CommandSpec {
    pcfg_cmd_id id;
    CommandFn run;
    const char *name;  // "PCFG_CMD_...", what a JSON document names the command by
};

// One row per command of the public header's list, with the operation bound
// to it.
#define PCFG_COMMAND_ROW(name, id, what) CommandSpec{name, run_command<name>, #name},
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

// The command table spread over identifiers 4 to 41; a slot without a
// command is an unassigned identifier.
constexpr auto kSlots = [] {
    std::array<const CommandSpec *, kLastCommandId - kFirstCommandId + 1> slots{};
    for (const CommandSpec &c : kCommandSpecs) slots[static_cast<uint32_t>(c.id) - kFirstCommandId] = &c;
    return slots;
}();

constexpr Field kCommand = json_only<"command", Type::Str>();
constexpr Field kCmdId = json_only<"cmd_id", Type::Int>();

void dispatch(const cli_param_block &params, Writer &w) {
    const int32_t id = params.cmd_id;
    const uint32_t slot = static_cast<uint32_t>(id) - kFirstCommandId;
    const CommandSpec *row = slot < kSlots.size() ? kSlots[slot] : nullptr;
    w.str(kCommand, row != nullptr ? row->name : nullptr);
    w.put(kCmdId, static_cast<uint32_t>(id));
    if (row == nullptr) {
        w.fail(Fail::InvalidCommand, "Invalid cmd_id = 0x%x\n", static_cast<unsigned>(id));
        return;
    }
    row->run(params, w);
}

}  // namespace

extern "C" int32_t port_cfg_cli_main(cli_param_block *params) noexcept {
    dispatch(*params, text_writer());
    return 0;
}

// The history service calls the record formatter back while a history
// command runs: those records join this document.
extern "C" int32_t port_cfg_cli_main_json(cli_param_block *params) noexcept {
    JsonWriter w;
    set_running_json_command(&w);
    dispatch(*params, w);
    set_running_json_command(nullptr);
    w.finish();
    return 0;
}
