// The operator shell `pcfg`: reads command lines, turns each into a
// parameter block for the library's command entry point (or runs it in the
// shell), and keeps the shell's side of the bargain - its own transport
// queue, the card's time passing between commands, output that starts every
// prompt on a fresh line.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "card_side.h"
#include "numbers.h"
#include "pager.h"
#include "port_cfg_cli.h"
#include "session.h"
#include "shell_queue.h"
#include "stdout_tracker.h"

namespace pcfg_shell {

struct Options {
    // Standard input is the operator's terminal: lines are edited, refused
    // lines do not change the exit status.
    bool interactive = false;
    // Where the greeting, the prompt and listings go (a terminal), or null.
    std::FILE *terminal = nullptr;
    // Where refused lines are explained, one line each.
    std::FILE *errors = stderr;
    // The card (none: a card that needs nothing of the shell).
    CardSide *card = nullptr;
    // The library's command entry point.
    std::function<int32_t(cli_param_block *)> entry = port_cfg_cli_main;
    // The library's JSON entry points, for "| json" and "decode-log <file>
    // json": main() looks them up in the library it loaded; null where the
    // library has none (the shell then says so).
    int32_t (*json_entry)(cli_param_block *) = nullptr;
    LoggedJson logged_json = nullptr;
};

// The JSON entry points of the library the program loaded, by name.
void find_json_entry_points(Options &options);

class Shell final : public Session {
public:
    explicit Shell(Options options = {});
    ~Shell() override;

    // Runs one command line; a refused line is explained on the error
    // stream. Output ends at the start of a line afterwards.
    Outcome run_line(std::string_view line);
    // Runs the lines of a stream until its end or `exit`. Returns the exit
    // status: 1 when a line was refused or the input is no command lines.
    int run_stream(std::FILE *in);
    // Runs the lines the operator types until Ctrl-D or `exit`.
    int run_terminal();
    // Ends the output: the exit status, 1 (with a line on the error stream
    // unless a pipe was closed) when standard output could not be written.
    int finish(int status);
    bool output_failed() const { return out_.error() != 0; }

    int32_t queue_handle() const override { return queue_.handle(); }
    void run_library(cli_param_block &block) override;
    bool json_output() const override { return json_; }
    LoggedJson logged_json() const override { return options_.logged_json; }
    void set_terminal_length(unsigned lines) override;
    CardSide &card() override { return card_; }

private:
    Outcome interpret(std::string_view line);
    Outcome run_command(std::span<const std::string_view> words);
    // Before a line: a card that went away is tried again, and the card's
    // ports reach the matcher when they may have changed.
    void meet_card();
    // Asks the card for its ports and slot and gives them to the matcher.
    void learn_ports();
    // One line on the error stream: "% ", where in the stream, the text (a
    // refused line's reason, or what became of the card).
    void say(const std::string &text);
    void say_queue_unbound();

    Options options_;
    CardSide &card_;
    StdoutTracker out_;
    ShellQueue queue_;
    std::string where_;  // "line 3: " while reading lines from a stream
    std::string card_gone_;  // the line saying so while the card is gone
    bool json_ = false;  // the line ends in "| json"
    // The matcher holds the card's ports as last learnt; they change only by
    // a `sim` command (this shell's or another's on a shared card) or with
    // a new card, so they are asked for again only then or before a line is
    // refused, not with every line.
    bool ports_known_ = false;
    std::unique_ptr<Pager> pager_;  // an interactive session's, on a terminal
    int terminal_length_ = -1;      // as `terminal length` set it, or -1
};

// The program: pcfg [-c COMMAND]... (see options.h), on the card `card`.
int main(int argc, char **argv, CardSide &card);

}  // namespace pcfg_shell
