// The operator shell's command parser: random command lines, read by the
// shell's line reader and run through its line entry point on the simulated
// card with the real library behind it.
//
// Input: the text typed, lines separated by newlines.
//
// Lines that would touch files (saving or decoding an event-log file) are
// not run: the fuzzer must not write or read paths it made up. Neither are
// lines that make a bind "succeed" with a handle it did not bind: that
// handle may be the shell's own queue, which the command then rightly
// closes.
#include <array>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "command_table.h"
#include "eventlog_commands.h"
#include "line_reader.h"
#include "matcher.h"
#include "pcfg_sim.h"
#include "shell.h"
#include "simulated_card.h"
#include "sim_commands.h"
#include "support.h"
#include "text.h"
#include "words.h"

namespace {

constexpr size_t kMaxLines = 16;

bool may_run(std::string_view line) {
    const pcfg_shell::LineWords split = pcfg_shell::split_line(line);
    const std::vector<std::string_view> words = pcfg_shell::views_of(split.command());
    std::string error;
    const auto resolved = pcfg_shell::resolve(words, error);
    if (!resolved) return true;  // refused by the shell as well
    const auto run = pcfg_shell::command_row(resolved->row).run;
    if (run == pcfg_shell::eventlog_save || run == pcfg_shell::eventlog_decode_file) return false;
    if (run == pcfg_shell::sim_fail) {
        const pcfg_shell::Args &args = resolved->args;
        std::string unknown;
        if (pcfg_shell::platform_call(args.word(0), unknown) == "mts_bind" && args.given(1) &&
            args.number(1) >= 0)
            return false;
    }
    return true;
}

pcfg_shell::Shell &shell() {
    static std::FILE *errors = std::fopen("/dev/null", "w");
    static auto *card =
        new pcfg::SimulatedCard({}, [] { return std::chrono::steady_clock::time_point{}; });
    static auto *sh = new pcfg_shell::Shell({.errors = errors, .card = card});
    return *sh;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    pcfg_fuzz::begin_input();
    pcfg_shell::Shell &sh = shell();
    // Each input starts on an empty event log and history (end_input
    // empties the history).
    pcfg_sim::clear_event_log();
    if (size == 0) return 0;

    std::FILE *in = fmemopen(const_cast<uint8_t *>(data), size, "r");
    if (in == nullptr) return 0;
    pcfg_shell::LineReader reader(in);
    std::string line;
    for (size_t n = 0; n < kMaxLines; ++n) {
        const auto status = reader.next(line);
        if (status == pcfg_shell::LineReader::Status::End) break;
        if (status != pcfg_shell::LineReader::Status::Line || !may_run(line)) continue;
        if (sh.run_line(line).kind == pcfg_shell::Outcome::Kind::Exit) break;
    }
    std::fclose(in);
    // The shell keeps its own queue open.
    pcfg_fuzz::end_input(sh.queue_handle() >= 0 ? 1 : 0);
    return 0;
}
