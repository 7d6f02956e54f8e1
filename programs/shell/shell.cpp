#include "shell.h"

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <vector>

#include "block_builder.h"
#include "command_table.h"
#include "help.h"
#include "line_editor.h"
#include "line_reader.h"
#include "matcher.h"
#include "options.h"
#include "output_filter.h"
#include "standard_descriptors.h"
#include "text.h"
#include "words.h"

namespace pcfg_shell {
namespace {

constexpr const char *kPrompt = "pcfg# ";

// A line with nothing to run: blank, or a comment.
bool nothing_to_run(std::string_view line) {
    const size_t first = line.find_first_not_of(" \t\r");
    return first == std::string_view::npos || line[first] == '#';
}

std::string too_long() {
    return cat({"Line too long: more than ", std::to_string(kMaxLineLength), " characters; not run"});
}

// The card of a shell given none: it needs nothing of the shell.
CardSide &no_card() {
    static CardSide card;
    return card;
}

// The line's last filter asks for the command's answer as JSON.
bool asks_for_json(const LineWords &words) {
    return words.parts.size() > 1 && words.parts.back().size() == 1 && words.parts.back()[0] == "json";
}

constexpr const char *kNoJson =
    "The library loaded has no JSON output (port_cfg_cli_main_json, version 1.1 on); "
    "\"| json\" cannot be used";

}  // namespace

Shell::Shell(Options options)
    : options_(std::move(options)), card_(options_.card != nullptr ? *options_.card : no_card()) {
    if (!queue_.bound()) say_queue_unbound();
    if (options_.terminal != nullptr) {
        meet_card();  // its ports, for what the operator completes first
        if (const std::string hello = card_.greeting(); !hello.empty())
            fprintf(options_.terminal, "%s\n", hello.c_str());
        fprintf(options_.terminal, "Type \"help\" for the commands, \"exit\" to leave.\n");
        fflush(options_.terminal);
    }
}

Shell::~Shell() { out_.fresh_line(); }

Outcome Shell::run_line(std::string_view line) {
    if (pager_ != nullptr) {
        pager_->start(true);
        out_.set_pager(pager_.get());
    }
    Outcome outcome = interpret(line);
    if (pager_ != nullptr) {
        out_.set_pager(nullptr);
        if (pager_->finish()) out_.line_left_open();
    }
    if (outcome.kind == Outcome::Kind::Rejected) say(outcome.error);
    out_.fresh_line();
    return outcome;
}

Outcome Shell::interpret(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (nothing_to_run(line)) return Outcome::done();
    if (line.size() > kMaxLineLength) return Outcome::rejected(too_long());
    if (std::string why = unusable_character(line); !why.empty())
        return Outcome::rejected(std::move(why));
    meet_card();

    // "?" at the end asks what may follow.
    const std::string_view trimmed = line.substr(0, line.find_last_not_of(" \t") + 1);
    if (trimmed.back() == '?') {
        if (card_gone_.empty()) learn_ports();
        return print_choices(trimmed.substr(0, trimmed.size() - 1));
    }

    LineWords words = split_line(line);
    if (!words.error.empty()) return Outcome::rejected(words.error);
    const std::vector<std::string_view> command = views_of(words.command());
    // "| json", last in a chain: the answer as JSON, the filters before it
    // applied to its lines.
    const bool json = asks_for_json(words);
    if (json) words.parts.pop_back();
    for (size_t i = 1; i < words.parts.size(); ++i)
        if (words.parts[i].size() == 1 && words.parts[i][0] == "json")
            return Outcome::rejected("\"| json\" comes last, after any other filter");
    struct JsonLine {
        bool &flag;
        ~JsonLine() { flag = false; }
    } json_line{json_ = json};
    if (words.parts.size() == 1) return command.empty() ? Outcome::rejected("No command before \"|\"")
                                                        : run_command(command);

    std::string error;
    if (command.empty()) return Outcome::rejected("No command before \"|\"");
    const std::unique_ptr<OutputFilter> filter =
        OutputFilter::build(std::span(words.parts).subspan(1), error);
    if (filter == nullptr) return Outcome::rejected(std::move(error));
    if (pager_ != nullptr && !filter->stops_at_pages()) pager_->start(false);
    out_.set_filter(filter.get());
    Outcome outcome = run_command(command);
    out_.set_filter(nullptr);
    return outcome;
}

Outcome Shell::run_command(std::span<const std::string_view> words) {
    std::string error;
    std::optional<Resolved> command = resolve(words, error);
    // A port refused against the ports last learnt is checked against the
    // card's own before the line is refused (another shell may have reset it).
    if (!command && ports_known_ && card_gone_.empty()) {
        learn_ports();
        error.clear();
        command = resolve(words, error);
    }
    if (!command) return Outcome::rejected(std::move(error));
    const CommandRow &row = command_row(command->row);
    if (json_ && row.run != nullptr && !row.json)
        return Outcome::rejected(
            "\"| json\" takes a command of the library, \"show event-log\" or \"decode-log\"; "
            "this one prints text only");
    if (json_ && row.run == nullptr && options_.json_entry == nullptr) return Outcome::rejected(kNoJson);
    if (needs_card(row) && !card_gone_.empty()) return Outcome::rejected(card_gone_);
    Outcome outcome = Outcome::done();
    if (row.run != nullptr) {
        outcome = row.run(*this, command->args);
        if (needs_card(row)) ports_known_ = false;  // a `sim` command may have reset the card
    } else {
        ParamBlock block(queue_handle());
        fill_from_row(row, command->args, block);
        run_library(block.block());
    }
    // A card that went away while the command ran: the command failed,
    // whatever the library (or the command) made of it.
    std::string said;
    if (needs_card(row) && card_.presence(false, said) == CardSide::Presence::Gone)
        return Outcome::rejected(std::move(said));
    return outcome;
}

void Shell::meet_card() {
    std::string said;
    const CardSide::Presence presence = card_.presence(true, said);
    card_gone_ = presence == CardSide::Presence::Gone ? said : std::string();
    if (presence == CardSide::Presence::Back) {
        say(said);
        ports_known_ = false;
        queue_.rebind();
        if (!queue_.bound()) say_queue_unbound();
    }
    if (presence == CardSide::Presence::Gone) return;
    if (!ports_known_) learn_ports();
}

void Shell::learn_ports() {
    const std::optional<FrontPorts> ports = card_.front_ports();
    ports_known_ = ports.has_value();
    if (ports) use_front_ports(*ports);
}

void Shell::say_queue_unbound() {
    say(cat({"The shell's transport queue could not be opened (mts_bind gave ",
             std::to_string(queue_.handle()), "); \"debug port-config fec\" will fail"}));
}

void Shell::run_library(cli_param_block &block) {
    card_.before_command();
    fflush(stdout);
    if (json_ && options_.json_entry != nullptr)
        options_.json_entry(&block);
    else
        options_.entry(&block);
    out_.fresh_line();
}

// Looked up by name, so that a library from before version 1.1 still loads.
void find_json_entry_points(Options &options) {
    options.json_entry =
        reinterpret_cast<int32_t (*)(cli_param_block *)>(dlsym(RTLD_DEFAULT, "port_cfg_cli_main_json"));
    options.logged_json = reinterpret_cast<LoggedJson>(dlsym(RTLD_DEFAULT, "eventlog_port_cfg_cli_json"));
}

void Shell::set_terminal_length(unsigned lines) {
    terminal_length_ = static_cast<int>(lines);
    if (pager_ != nullptr) pager_->set_length(lines);
}

void Shell::say(const std::string &text) {
    out_.fresh_line();
    fprintf(options_.errors, "%% %s%s\n", where_.c_str(), text.c_str());
    fflush(options_.errors);
}

int Shell::run_stream(std::FILE *in) {
    LineReader reader(in);
    bool refused = false;
    std::string line;
    for (;;) {
        const LineReader::Status status = reader.next(line);
        if (status == LineReader::Status::End) break;
        where_ = cat({"line ", std::to_string(reader.line_number()), ": "});
        Outcome outcome;
        switch (status) {
            case LineReader::Status::Line:
                outcome = run_line(line);
                break;
            case LineReader::Status::TooLong:
                outcome = Outcome::rejected(too_long());
                break;
            case LineReader::Status::Binary:
                outcome = Outcome::rejected(cat({"Input is not text (a NUL byte at column ",
                                                 std::to_string(reader.column()),
                                                 "); nothing more read"}));
                break;
            case LineReader::Status::Endless:
                outcome = Outcome::rejected(cat({"Input has no line end within ",
                                                 std::to_string(kMaxSkipped),
                                                 " bytes; nothing more read"}));
                break;
            case LineReader::Status::Interrupted:
            case LineReader::Status::End:
                break;
        }
        if (status != LineReader::Status::Line && outcome.kind == Outcome::Kind::Rejected)
            say(outcome.error);
        where_.clear();
        if (outcome.kind == Outcome::Kind::Rejected) refused = true;
        if (outcome.kind == Outcome::Kind::Exit || out_.error() != 0) break;
    }
    out_.fresh_line();
    return refused ? kExitRefusedLine : 0;
}

int Shell::run_terminal() {
    LineEditor editor(options_.terminal != nullptr ? options_.terminal : stderr, kPrompt);
    const bool echoed_on_stdout = isatty(STDOUT_FILENO) == 1;
    if (echoed_on_stdout) {
        pager_ = std::make_unique<Pager>(STDIN_FILENO, STDOUT_FILENO);
        if (terminal_length_ >= 0) pager_->set_length(static_cast<unsigned>(terminal_length_));
    }
    std::string line;
    for (;;) {
        const LineEditor::Status status = editor.next(line);
        if (status == LineEditor::Status::End) break;
        if (echoed_on_stdout) out_.line_echoed();
        if (status == LineEditor::Status::Refused) say(line);
        if (status != LineEditor::Status::Line) continue;
        if (run_line(line).kind == Outcome::Kind::Exit || out_.error() != 0) break;
    }
    out_.fresh_line();
    pager_.reset();
    return 0;
}

int Shell::finish(int status) {
    out_.fresh_line();
    const int error = out_.error();
    if (error == 0) return status;
    if (error != EPIPE) {
        fprintf(options_.errors, "pcfg: cannot write standard output: %s\n", strerror(error));
        fflush(options_.errors);
    }
    return kExitRefusedLine;
}

namespace {

// Exit status after writing to standard output without a shell.
int flushed(int status) {
    if (fflush(stdout) == 0 && ferror(stdout) == 0) return status;
    if (errno != EPIPE) fprintf(stderr, "pcfg: cannot write standard output: %s\n", strerror(errno));
    return kExitRefusedLine;
}

// The operator's terminal for the greeting and the prompt: standard output
// when it is one, else standard error when it is one.
std::FILE *terminal_stream() {
    if (isatty(STDOUT_FILENO) == 1) return fdopen(dup(STDOUT_FILENO), "w");
    if (isatty(STDERR_FILENO) == 1) return fdopen(dup(STDERR_FILENO), "w");
    return nullptr;
}

}  // namespace

int main(int argc, char **argv, CardSide &card) {
    keep_standard_descriptors_open();
    clearerr(stdout);  // what went wrong before the program started is not its own
    // A reader that goes away is noticed as a write error, not a signal
    // that would stop the shell in the middle of its work.
    signal(SIGPIPE, SIG_IGN);

    const Invocation invocation = parse_arguments(argc, argv);
    switch (invocation.action) {
        case Invocation::Action::Help:
            print_usage(stdout);
            return flushed(0);
        case Invocation::Action::Version:
            print_version(stdout);
            return flushed(0);
        case Invocation::Action::Refused:
            fprintf(stderr, "pcfg: %s\nTry \"pcfg --help\".\n", invocation.error.c_str());
            return kExitUsage;
        case Invocation::Action::Run:
            break;
    }
    if (!card.reach(argv[0], invocation.embedded)) return kExitRefusedLine;

    Options options;
    find_json_entry_points(options);
    options.interactive = invocation.commands.empty() && isatty(STDIN_FILENO) == 1;
    options.card = &card;
    if (options.interactive) {
        options.terminal = terminal_stream();
        card.keep_real_time();  // the card of an operator's session
    }
    int status = 0;
    {
        Shell shell(options);
        if (options.interactive) {
            status = shell.run_terminal();
        } else if (invocation.commands.empty()) {
            status = shell.run_stream(stdin);
        } else {
            for (std::string_view command : invocation.commands) {
                const Outcome outcome = shell.run_line(command);
                if (outcome.kind == Outcome::Kind::Rejected) status = kExitRefusedLine;
                if (outcome.kind == Outcome::Kind::Exit || shell.output_failed()) break;
            }
        }
        status = shell.finish(status);
    }
    if (options.terminal != nullptr) fclose(options.terminal);
    return status;
}

}  // namespace pcfg_shell
