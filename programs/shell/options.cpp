#include "options.h"

#include <array>

#include "text.h"

#ifndef PCFG_VERSION
#define PCFG_VERSION "unknown"
#endif

namespace pcfg_shell {
namespace {

enum class Opt { Command, Embedded, Help, Version, EndOfOptions };

struct OptionRow {
    Opt opt;
    std::string_view short_name;  // may be empty
    std::string_view long_name;   // may be empty
    std::string_view value;       // name of its value, empty when it takes none
    std::string_view help;
};

constexpr std::array<OptionRow, 5> kOptions{{
    {Opt::Command, "-c", "--command", "COMMAND",
     "run COMMAND, then leave (may be given several times, run in order)"},
    {Opt::Embedded, "", "--embedded", "", "run the card inside this shell, with a fixed clock"},
    {Opt::Help, "-h", "--help", "", "show this text and leave"},
    {Opt::Version, "", "--version", "", "show the version and leave"},
    {Opt::EndOfOptions, "", "--", "", "end of the options"},
}};

// The row an argument names; `value` is set when the value is attached
// ("-cCOMMAND", "--command=COMMAND").
const OptionRow *find_option(std::string_view arg, std::string_view &value, bool &attached) {
    attached = false;
    for (const OptionRow &row : kOptions) {
        if (arg == row.short_name || arg == row.long_name) return &row;
        if (row.value.empty()) continue;
        if (!row.short_name.empty() && arg.starts_with(row.short_name)) {
            value = arg.substr(row.short_name.size());
            attached = true;
            return &row;
        }
        if (arg.starts_with(row.long_name) && arg.substr(row.long_name.size()).starts_with('=')) {
            value = arg.substr(row.long_name.size() + 1);
            attached = true;
            return &row;
        }
    }
    return nullptr;
}

}  // namespace

Invocation parse_arguments(int argc, char **argv) {
    Invocation inv;
    bool options_ended = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        std::string_view value;
        bool attached = false;
        const OptionRow *row = options_ended ? nullptr : find_option(arg, value, attached);
        if (row == nullptr) {
            inv.action = Invocation::Action::Refused;
            inv.error = options_ended || !arg.starts_with('-')
                            ? cat({"unexpected argument ", quoted(arg), " (commands are given with -c)"})
                            : cat({"unknown option ", quoted(arg)});
            return inv;
        }
        if (!row->value.empty() && !attached) {
            if (i + 1 == argc) {
                inv.action = Invocation::Action::Refused;
                inv.error = cat({arg, " needs a ", row->value});
                return inv;
            }
            value = argv[++i];
        }
        switch (row->opt) {
            case Opt::Command:
                inv.commands.push_back(value);
                break;
            case Opt::Embedded:
                inv.embedded = true;
                break;
            case Opt::Help:
                inv.action = Invocation::Action::Help;
                return inv;
            case Opt::Version:
                inv.action = Invocation::Action::Version;
                return inv;
            case Opt::EndOfOptions:
                options_ended = true;
                break;
        }
    }
    return inv;
}

void print_usage(std::FILE *to) {
    fprintf(to,
            "usage: pcfg [--embedded] [-c COMMAND]... [--]\n"
            "Runs the port-configuration commands on a simulated line card: pcfg-card, shared by\n"
            "every shell of the user and started when none runs; with --embedded a card inside\n"
            "this shell that starts afresh with each run.\n"
            "\n"
            "Options:\n");
    for (const OptionRow &row : kOptions) {
        std::string names = cat({row.short_name, row.short_name.empty() || row.long_name.empty() ? "" : ", ",
                                 row.long_name});
        if (!row.value.empty()) names.append(" ").append(row.value);
        fprintf(to, "  %-22s %.*s\n", names.c_str(), static_cast<int>(row.help.size()), row.help.data());
    }
    fprintf(to,
            "\n"
            "Without -c, commands are read from standard input, one per line. On a terminal the\n"
            "line can be edited, Tab completes a word, \"?\" lists what may follow, Ctrl-C drops\n"
            "the line, Ctrl-Z suspends the shell, Ctrl-D on an empty line leaves; the prompt goes\n"
            "to the terminal only, and output taller than the terminal stops at --More--.\n"
            "Type \"help\" in the shell for the commands.\n"
            "\n"
            "Environment:\n"
            "  PCFG_CARD              the card's socket (default: card in $XDG_RUNTIME_DIR/pcfg,\n"
            "                         else in /tmp/pcfg-<uid>)\n"
            "  PCFG_SIM_EVENTLOG      shared-memory segment of the manager's event log\n"
            "                         (default /pcfg_eventlog-<uid>, with --embedded\n"
            "                         /pcfg_eventlog-<uid>-embedded)\n"
            "  HOME                   the line history is kept in $HOME/.pcfg_history (without\n"
            "                         HOME, in the home folder of the user database)\n"
            "  TZ                     time zone of the times shown\n"
            "\n"
            "Exit status:\n"
            "  0  every command line ran\n"
            "  1  a command line was refused, the input was not command lines, standard output\n"
            "     could not be written, or no card could be reached\n"
            "  2  the arguments were refused\n");
}

void print_version(std::FILE *to) { fprintf(to, "pcfg %s\n", PCFG_VERSION); }

}  // namespace pcfg_shell
