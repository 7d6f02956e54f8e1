#include "block_builder.h"

namespace pcfg_shell {

ParamBlock::ParamBlock(int32_t queue_handle) noexcept { block_.mts_handle = queue_handle; }

bool ParamBlock::add_number(int32_t param_id, uint32_t value) noexcept {
    const size_t n = block_.token_count;
    if (n >= values_.size()) return false;
    values_[n] = value;
    return add(param_id, &values_[n]);
}

bool ParamBlock::add_bare(int32_t param_id) noexcept { return add(param_id, nullptr); }

bool ParamBlock::add(int32_t param_id, uint32_t *value) noexcept {
    const size_t n = block_.token_count;
    if (n >= tokens_.size()) return false;
    tokens_[n].param_id = param_id;
    tokens_[n].value = value;
    block_.tokens[n] = &tokens_[n];
    block_.tokens[n + 1] = nullptr;  // the list ends in a null pointer
    block_.token_count = static_cast<uint8_t>(n + 1);
    return true;
}

void fill_from_row(const CommandRow &row, const Args &args, ParamBlock &block) {
    // The table's compile-time check guarantees slot 0 holds a number
    // within the identifier list when the row selects by value.
    block.set_command(row.cmd_by_value.empty()
                          ? row.cmd
                          : row.cmd_by_value[static_cast<size_t>(args.number(0))]);
    for (const TokenFill &t : row.tokens) {
        if (t.from == kBare) {
            block.add_bare(t.param_id);
        } else if (t.from >= 0 && args.given(static_cast<size_t>(t.from))) {
            block.add_number(t.param_id, static_cast<uint32_t>(args.number(static_cast<size_t>(t.from))));
        }
    }
}

}  // namespace pcfg_shell
