// The parameter block the shell hands to the library's command entry point:
// command identifier, the shell's queue handle, and the token list with the
// values the tokens point to (numbers as host-order 32-bit words).
#pragma once

#include <array>
#include <cstdint>

#include "command_table.h"
#include "port_cfg_cli.h"
#include "session.h"

namespace pcfg_shell {

// A block with storage for its tokens and their values. The block points
// into itself, so it is neither copied nor moved.
class ParamBlock {
public:
    explicit ParamBlock(int32_t queue_handle) noexcept;
    ParamBlock(const ParamBlock &) = delete;
    ParamBlock &operator=(const ParamBlock &) = delete;

    void set_command(int32_t cmd_id) noexcept { block_.cmd_id = cmd_id; }
    // Appends a token; false when the token list is full.
    bool add_number(int32_t param_id, uint32_t value) noexcept;
    bool add_bare(int32_t param_id) noexcept;

    cli_param_block &block() noexcept { return block_; }
    const cli_param_block &block() const noexcept { return block_; }

private:
    bool add(int32_t param_id, uint32_t *value) noexcept;

    cli_param_block block_{};
    std::array<cli_param_token, PCFG_MAX_TOKENS> tokens_{};
    std::array<uint32_t, PCFG_MAX_TOKENS> values_{};
};

// Fills the block of a library command from its row and the line's
// arguments: the command identifier, then the row's tokens in row order.
void fill_from_row(const CommandRow &row, const Args &args, ParamBlock &block);

}  // namespace pcfg_shell
