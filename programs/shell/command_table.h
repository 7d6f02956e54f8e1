// The shell's command table: every command the operator can type, one row
// each (the rows live in command_table.cpp).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "session.h"
#include "syntax.h"

namespace pcfg_shell {

// Where a library command's token takes its value from.
inline constexpr int8_t kNoToken = -2;  // unused entry
inline constexpr int8_t kBare = -1;     // a token without a value (null value address)

struct TokenFill {
    int32_t param_id = 0;
    int8_t from = kNoToken;  // kBare, or the argument slot holding the number
};

// A token carrying the number of argument slot `slot`; the token is left out
// when that argument sits in an optional part the operator did not type.
constexpr TokenFill number_token(int32_t param_id, int8_t slot) { return {param_id, slot}; }
constexpr TokenFill bare_token(int32_t param_id) { return {param_id, kBare}; }

using ShellHandler = Outcome (*)(Session &session, const Args &args);

struct CommandRow {
    std::string_view syntax;   // see syntax.h
    std::string_view summary;  // one line: what the command does
    std::string_view help;     // one line per syntax element, each ending in '\n'

    // A library command: the identifier, or one identifier per value of the
    // number in argument slot 0; then the tokens, in this order.
    int32_t cmd = 0;
    std::span<const int32_t> cmd_by_value = {};
    std::array<TokenFill, 2> tokens = {};

    // A shell command: runs in the shell instead of the library.
    ShellHandler run = nullptr;
    // Extra text `help` prints for this command alone (may be null).
    void (*more_help)() = nullptr;
    // A shell command that prints JSON after "| json".
    bool json = false;
    // A shell command that steers or asks the card (a library command
    // always does): refused while the card is gone.
    bool needs_card = false;
};

// Whether the command of a row steers or asks the card.
constexpr bool needs_card(const CommandRow &row) { return row.run == nullptr || row.needs_card; }

size_t command_count();
const CommandRow &command_row(size_t index);
const Syntax &command_syntax(size_t index);

}  // namespace pcfg_shell
