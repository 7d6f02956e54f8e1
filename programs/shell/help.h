// The shell's help: the command list, help on commands that start with
// given words, and the choices that may follow a partial line ("?").
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "completion.h"
#include "session.h"
#include "syntax.h"

namespace pcfg_shell {

// help [<words...>]
Outcome run_help(Session &, const Args &args);

// Lists what may follow a half-typed line ("?"). Rejected when the words
// before the one being typed name no command.
Outcome print_choices(std::string_view typed);
// The choices as "?" lists them, one line each.
std::string format_choices(const Choices &choices);

// Lines of the shell's own texts fit this.
inline constexpr size_t kScreenWidth = 80;
// Text broken into lines at blanks to fit kScreenWidth, each starting at
// column `indent`; ends in a newline.
std::string wrapped(std::string_view text, size_t indent);

// Lines of two columns, the right one wrapped to fit kScreenWidth; a left
// part too wide for the column stands on a line of its own.
using Lines = std::vector<std::pair<std::string, std::string>>;
std::string two_columns(const Lines &lines, size_t indent);

// A syntax as the operator reads it: "show port-config credits [port <port>]".
std::string display_syntax(const Syntax &syntax);

}  // namespace pcfg_shell
