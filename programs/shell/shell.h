// The operator shell `pcfg`: reads command lines, turns each into a
// parameter block for the library's command entry point (or runs it in the
// shell), and keeps the shell's side of the bargain - its own transport
// queue, simulated time passing between commands, output that starts every
// prompt on a fresh line.
#pragma once

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

#include "port_cfg_cli.h"
#include "session.h"
#include "shell_queue.h"
#include "stdout_tracker.h"

namespace pcfg_shell {

struct Options {
    // Prompt and greeting: standard input is a terminal.
    bool interactive = false;
    // Where refused lines are explained, one line each.
    std::FILE *errors = stderr;
    // Real time, of which whole seconds pass on the card between commands.
    std::function<std::chrono::steady_clock::time_point()> clock = std::chrono::steady_clock::now;
    // The library's command entry point.
    std::function<int32_t(cli_param_block *)> entry = port_cfg_cli_main;
};

class Shell final : public Session {
public:
    explicit Shell(Options options = {});
    ~Shell() override;

    // Runs one command line; a refused line is explained on the error
    // stream. Output ends at the start of a line afterwards.
    Outcome run_line(std::string_view line);
    // Runs the lines of a stream until its end or `exit`. Returns the exit
    // status: 1 when a line was refused (not counted on a terminal), else 0.
    int run_stream(std::FILE *in);

    int32_t queue_handle() const override { return queue_.handle(); }
    void run_library(cli_param_block &block) override;
    void card_was_reset() override;

private:
    Outcome interpret(std::string_view line);
    void refuse(const std::string &why);
    void let_time_pass();

    Options options_;
    StdoutTracker out_;
    ShellQueue queue_;
    std::chrono::steady_clock::time_point last_tick_;
    std::string where_;  // "line 3: " while reading lines from a stream
};

// The program: pcfg [-c COMMAND]...
int main(int argc, char **argv);

}  // namespace pcfg_shell
