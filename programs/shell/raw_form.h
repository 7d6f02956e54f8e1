// The raw form: a parameter block filled exactly as typed, for testing and
// for command identifiers the grammar does not name.
//
//   raw <cmd-id> [<param-id>=<value> | <param-id>] ...
//
// Every number is decimal or 0x hex and any 32-bit value, negative ones
// included (a negative value is stored as its two's complement). A
// <param-id> alone is a token whose value address is null.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "block_builder.h"
#include "session.h"

namespace pcfg_shell {

// Adds the raw tokens to the block; the one-line reason when one is bad.
std::string add_raw_tokens(std::span<const std::string_view> tokens, ParamBlock &block);

// raw <cmd-id> [<tokens...>]
Outcome run_raw(Session &session, const Args &args);

}  // namespace pcfg_shell
