// Builds the shell's parameter block for a command, as the shell would.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "port_cfg_cli.h"

namespace pcfg_test {

class Params {
public:
    explicit Params(pcfg_cmd_id cmd_id) : Params(static_cast<int32_t>(cmd_id)) {}
    // Any identifier, one the library runs or not.
    static Params raw(int32_t cmd_id) { return Params(cmd_id); }

    // A token whose value is the 32-bit number typed.
    Params &num(int32_t param_id, uint32_t value) {
        values_.push_back(std::make_unique<uint32_t>(value));
        return add(param_id, values_.back().get());
    }
    // A token without a value.
    Params &bare(int32_t param_id) { return add(param_id, nullptr); }
    Params &handle(int32_t h) {
        block_->mts_handle = h;
        return *this;
    }
    // Overrides the token count (it follows the tokens added otherwise).
    Params &count(uint8_t n) {
        block_->token_count = n;
        return *this;
    }
    cli_param_block *block() { return block_.get(); }

private:
    explicit Params(int32_t cmd_id) : block_(std::make_unique<cli_param_block>()) {
        block_->cmd_id = cmd_id;
        block_->mts_handle = -1;
    }
    Params &add(int32_t param_id, void *value) {
        auto tok = std::make_unique<cli_param_token>();
        tok->param_id = param_id;
        tok->value = value;
        block_->tokens[tokens_.size()] = tok.get();
        tokens_.push_back(std::move(tok));
        block_->token_count = static_cast<uint8_t>(tokens_.size());
        return *this;
    }

    std::unique_ptr<cli_param_block> block_;
    std::vector<std::unique_ptr<cli_param_token>> tokens_;
    std::vector<std::unique_ptr<uint32_t>> values_;
};

}  // namespace pcfg_test
