#include "shell.h"

#include <unistd.h>

#include <algorithm>
#include <vector>

#include "block_builder.h"
#include "command_table.h"
#include "help.h"
#include "line_reader.h"
#include "matcher.h"
#include "pcfg_sim.h"
#include "sim_commands.h"
#include "text.h"

namespace pcfg_shell {
namespace {

constexpr const char *kPrompt = "pcfg# ";

bool blank(char c) { return c == ' ' || c == '\t'; }

bool printable(unsigned char c) { return c == '\t' || (c >= 0x20 && c < 0x7f); }

// A line with nothing to run: blank, or a comment.
bool nothing_to_run(std::string_view line) {
    const size_t first = line.find_first_not_of(" \t\r");
    return first == std::string_view::npos || line[first] == '#';
}

std::string too_long() {
    return cat({"Line too long: more than ", std::to_string(kMaxLineLength), " characters; not run"});
}

std::string byte_error(unsigned char c, size_t column) {
    char buf[96];
    snprintf(buf, sizeof buf, "Line holds the non-printable byte 0x%02x at column %zu; not run",
             static_cast<unsigned>(c), column);
    return buf;
}

}  // namespace

Shell::Shell(Options options) : options_(std::move(options)), last_tick_(options_.clock()) {
    if (!queue_.bound())
        refuse(cat({"The shell's transport queue could not be opened (mts_bind gave ",
                    std::to_string(queue_.handle()), "); \"debug port-config fec\" will fail"}));
    if (options_.interactive) {
        printf("pcfg: port-configuration commands on a simulated line card with %u front ports.\n"
               "Type \"help\" for the commands, \"exit\" to leave.\n",
               pcfg_sim::num_ports());
        fflush(stdout);
    }
}

Shell::~Shell() { out_.fresh_line(); }

Outcome Shell::run_line(std::string_view line) {
    Outcome outcome = interpret(line);
    if (outcome.kind == Outcome::Kind::Rejected) refuse(outcome.error);
    out_.fresh_line();
    return outcome;
}

Outcome Shell::interpret(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (nothing_to_run(line)) return Outcome::done();
    if (line.size() > kMaxLineLength)
        return Outcome::rejected(too_long());
    for (size_t i = 0; i < line.size(); ++i) {
        const auto c = static_cast<unsigned char>(line[i]);
        if (!printable(c)) return Outcome::rejected(byte_error(c, i + 1));
    }

    // "?" at the end asks what may follow.
    const std::string_view trimmed = line.substr(0, line.find_last_not_of(" \t") + 1);
    if (trimmed.back() == '?') {
        const std::string_view head = trimmed.substr(0, trimmed.size() - 1);
        std::vector<std::string_view> words = split_words(head);
        std::string_view partial;
        if (!head.empty() && !blank(head.back()) && !words.empty()) {
            partial = words.back();
            words.pop_back();
        }
        return print_choices(words, partial);
    }

    const std::vector<std::string_view> words = split_words(line);
    std::string error;
    const std::optional<Resolved> command = resolve(words, error);
    if (!command) return Outcome::rejected(std::move(error));
    const CommandRow &row = command_row(command->row);
    if (row.run != nullptr) return row.run(*this, command->args);
    ParamBlock block(queue_handle());
    fill_from_row(row, command->args, block);
    run_library(block.block());
    return Outcome::done();
}

void Shell::run_library(cli_param_block &block) {
    let_time_pass();
    fflush(stdout);
    options_.entry(&block);
    out_.fresh_line();
}

void Shell::card_was_reset() {
    queue_.reopen();
    if (!queue_.bound())
        refuse(cat({"The shell's transport queue could not be opened again (mts_bind gave ",
                    std::to_string(queue_.handle()), ")"}));
}

// Whole seconds of real time since the last command pass on the card, at
// least one, so that counters grow while the operator watches.
void Shell::let_time_pass() {
    if (pcfg_sim::card_connected()) return;  // a shared card keeps its own time
    using std::chrono::seconds;
    const auto now = options_.clock();
    const auto whole = std::chrono::duration_cast<seconds>(now - last_tick_);
    uint64_t step = 1;
    if (whole.count() >= 1) {
        step = static_cast<uint64_t>(whole.count());
        last_tick_ += whole;
    }
    step = std::min<uint64_t>(step, kLastSimSecond - pcfg_sim::now());
    if (step > 0) pcfg_sim::advance(static_cast<uint32_t>(step));
}

void Shell::refuse(const std::string &why) {
    out_.fresh_line();
    fprintf(options_.errors, "%% %s%s\n", where_.c_str(), why.c_str());
    fflush(options_.errors);
}

int Shell::run_stream(std::FILE *in) {
    LineReader reader(in);
    bool refused = false;
    std::string line;
    for (;;) {
        if (options_.interactive) {
            fputs(kPrompt, stdout);
            fflush(stdout);
        }
        const LineReader::Status status = reader.next(line);
        if (status == LineReader::Status::End) break;
        if (options_.interactive && status != LineReader::Status::Unterminated) out_.line_echoed();
        if (!options_.interactive) where_ = cat({"line ", std::to_string(reader.line_number()), ": "});
        Outcome outcome;
        switch (status) {
            case LineReader::Status::Line:
                outcome = run_line(line);
                break;
            case LineReader::Status::TooLong:
                outcome = Outcome::rejected(too_long());
                refuse(outcome.error);
                break;
            case LineReader::Status::Unterminated:
                // A line cut off by the end of input may be a command cut
                // short: it is not run.
                if (!nothing_to_run(line)) {
                    outcome = Outcome::rejected(
                        cat({"Input ended in the middle of a line; ", quoted(line), " was not run"}));
                    refuse(outcome.error);
                }
                break;
            case LineReader::Status::End:
                break;
        }
        where_.clear();
        if (outcome.kind == Outcome::Kind::Rejected) refused = true;
        if (outcome.kind == Outcome::Kind::Exit) break;
    }
    out_.fresh_line();
    return refused && !options_.interactive ? 1 : 0;
}

namespace {

void usage(std::FILE *to) {
    fprintf(to,
            "usage: pcfg [--embedded] [-c COMMAND]...\n"
            "Runs the port-configuration commands on a simulated line card.\n"
            "  -c COMMAND  run COMMAND, then leave (may be given several times)\n"
            "  --embedded  run the card inside this shell (fixed clock) instead of the shared\n"
            "              card pcfg-card (on $PCFG_CARD or the default socket; started if none runs)\n"
            "Without -c, commands are read from standard input, one per line, with a prompt\n"
            "when it is a terminal. Type \"help\" in the shell for the commands.\n");
}

}  // namespace

int main(int argc, char **argv) {
    std::vector<std::string_view> commands;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            usage(stdout);
            return 0;
        }
        if (arg == "-c" && i + 1 < argc) {
            commands.push_back(argv[++i]);
        } else if (arg.starts_with("-c") && arg.size() > 2) {
            commands.push_back(arg.substr(2));
        } else {
            fprintf(stderr, arg == "-c" ? "pcfg: -c needs a command\n" : "pcfg: unknown argument %s\n",
                    argv[i]);
            usage(stderr);
            return 2;
        }
    }
    Options options;
    options.interactive = commands.empty() && isatty(STDIN_FILENO) == 1;
    Shell shell(std::move(options));
    if (commands.empty()) return shell.run_stream(stdin);
    int status = 0;
    for (std::string_view command : commands) {
        const Outcome outcome = shell.run_line(command);
        if (outcome.kind == Outcome::Kind::Rejected) status = 1;
        if (outcome.kind == Outcome::Kind::Exit) break;
    }
    return status;
}

}  // namespace pcfg_shell
