// The command line of the program `pcfg`: its options, one row each, and
// what an invocation asks for.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace pcfg_shell {

struct Invocation {
    enum class Action { Run, Help, Version, Refused };
    Action action = Action::Run;
    std::vector<std::string_view> commands;  // -c, in order
    bool embedded = false;                   // --embedded: the card inside this shell
    std::string error;                       // why the arguments were refused
};

Invocation parse_arguments(int argc, char **argv);

// The text of --help: usage, options, environment, exit status.
void print_usage(std::FILE *to);
void print_version(std::FILE *to);

// Exit status: 0 all went well, 1 a command line was refused, standard
// output could not be written or no card could be reached, 2 the arguments
// were refused.
inline constexpr int kExitRefusedLine = 1;
inline constexpr int kExitUsage = 2;

}  // namespace pcfg_shell
