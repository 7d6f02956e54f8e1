// Reading the shell's parameter block.
//
// Commands walk the first token-count entries of the token list (never more
// than the list holds) and stop early at a null entry; a token whose value
// address is null counts as absent. The configuration event summary walks
// the list up to its null pointer instead (bounded by the list's capacity).
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>

#include "port_cfg_cli.h"

namespace pcfg {

enum class Pick { First, Last };

// The tokens a command scans: the first token-count entries, up to the first
// null entry.
inline size_t scanned_tokens(const cli_param_block &block) noexcept {
    size_t n = block.token_count;
    if (n > PCFG_MAX_TOKENS) n = PCFG_MAX_TOKENS;
    for (size_t i = 0; i < n; ++i)
        if (block.tokens[i] == nullptr) return i;
    return n;
}

// The tokens up to the list's null pointer.
inline size_t listed_tokens(const cli_param_block &block) noexcept {
    size_t i = 0;
    while (i < PCFG_MAX_TOKENS && block.tokens[i] != nullptr) ++i;
    return i;
}

// The first scanned token with this parameter id, whatever its value address.
inline const cli_param_token *first_token(const cli_param_block &block,
                                          int32_t param_id) noexcept {
    const size_t n = scanned_tokens(block);
    for (size_t i = 0; i < n; ++i)
        if (block.tokens[i]->param_id == param_id) return block.tokens[i];
    return nullptr;
}

// The first 32-bit word of a token's value, if it has one.
inline std::optional<uint32_t> value_number(const cli_param_token *tok) noexcept {
    if (tok == nullptr || tok->value == nullptr) return std::nullopt;
    uint32_t v;
    std::memcpy(&v, tok->value, sizeof v);
    return v;
}

// The first 32-bit word of the value of the first or last scanned token with
// this parameter id whose value address is not null.
inline std::optional<uint32_t> token_number(const cli_param_block &block, int32_t param_id,
                                            Pick pick) noexcept {
    std::optional<uint32_t> found;
    const size_t n = scanned_tokens(block);
    for (size_t i = 0; i < n; ++i) {
        const cli_param_token *tok = block.tokens[i];
        if (tok->param_id != param_id || tok->value == nullptr) continue;
        found = value_number(tok);
        if (pick == Pick::First) break;
    }
    return found;
}

// Port index of a typed port number (counted from 1): the number minus 1,
// computed without signed overflow.
inline int32_t port_index_of(uint32_t typed) noexcept {
    return static_cast<int32_t>(typed - 1u);
}

}  // namespace pcfg
