// The shell's help: the command list, help on commands that start with
// given words, and the choices that may follow a partial line ("?").
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "session.h"
#include "syntax.h"

namespace pcfg_shell {

// help [<words...>]
Outcome run_help(Session &, const Args &args);

// Lists what may follow `words`; `partial` is a word being typed (may be
// empty). Rejected when the words themselves name no command.
Outcome print_choices(std::span<const std::string_view> words, std::string_view partial);

// A syntax as the operator reads it: "show port-config credits [port <port>]".
std::string display_syntax(const Syntax &syntax);

}  // namespace pcfg_shell
