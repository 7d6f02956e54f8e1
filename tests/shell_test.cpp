// The operator shell: command lines to parameter blocks, refused input,
// the raw form, the fresh-line rule, its own queue, time passing, and a few
// whole runs on the simulated card.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "command_table.h"
#include "help.h"
#include "shell.h"
#include "support/fixture.h"
#include "support/golden.h"

namespace {

using namespace pcfg_test;
using pcfg_shell::Outcome;
using pcfg_shell::Shell;

// The block the library was handed, as "cmd <id>" and then each token as
// <id>=<value>, or <id> alone when it has no value; the token list must end
// in a null pointer.
std::string block_of(const cli_param_block &b) {
    EXPECT_EQ(b.tokens[b.token_count], nullptr);
    std::string s = "cmd " + std::to_string(b.cmd_id);
    for (size_t i = 0; i < b.token_count; ++i) {
        const cli_param_token *t = b.tokens[i];
        s += " " + std::to_string(t->param_id);
        if (t->value != nullptr) s += "=" + std::to_string(*static_cast<const uint32_t *>(t->value));
    }
    return s;
}

class ShellTest : public PcfgTest {
protected:
    void SetUp() override {
        PcfgTest::SetUp();
        errors_ = open_memstream(&err_buf_, &err_size_);
    }
    void TearDown() override {
        shell_.reset();
        fclose(errors_);
        free(err_buf_);
        PcfgTest::TearDown();
    }

    // A shell on the simulated card; with `recording` the library is not
    // called, the blocks are kept instead.
    Shell &shell(bool recording = false) {
        pcfg_shell::Options o;
        o.errors = errors_;
        o.clock = [this] { return now_; };
        if (recording)
            o.entry = [this](cli_param_block *b) {
                EXPECT_EQ(b->mts_handle, shell_->queue_handle());
                return sent_.push_back(block_of(*b)), 0;
            };
        if (printing_) o.entry = [this](cli_param_block *) { return printf("%s", printing_), 0; };
        shell_.reset();  // one shell at a time: each owns standard output
        shell_ = std::make_unique<Shell>(std::move(o));
        return *shell_;
    }
    std::string line(std::string_view text) {
        return out([&] { last_ = shell_->run_line(text); });
    }
    // Standard output of a line, then its error text.
    std::string line_and_errors(std::string_view text) {
        const std::string shown = line(text);
        return shown + errors();
    }
    // Error text written since the last look.
    std::string errors() {
        fflush(errors_);
        std::string text(err_buf_ + err_seen_, err_size_ - err_seen_);
        err_seen_ = err_size_;
        return text;
    }

    std::chrono::steady_clock::time_point now_{};
    std::vector<std::string> sent_;
    const char *printing_ = nullptr;
    Outcome last_;
    std::unique_ptr<Shell> shell_;

private:
    FILE *errors_ = nullptr;
    char *err_buf_ = nullptr;
    size_t err_size_ = 0;
    size_t err_seen_ = 0;
};

// Each line of shell/grammar is followed by the block it fills. Words reach
// every assigned command identifier; the raw form any identifier and tokens.
TEST_F(ShellTest, CommandLinesFillTheExactBlock) {
    ASSERT_GE(shell(true).queue_handle(), 0);
    std::set<int32_t> reached;
    const auto sent_for = [&](const std::string &text) {
        sent_.clear();
        EXPECT_EQ(line_and_errors(text), "") << text;
        if (sent_.size() != 1) return "blocks sent: " + std::to_string(sent_.size()) + "\n";
        if (!text.starts_with("raw")) reached.insert(std::stoi(sent_[0].substr(4)));
        return sent_[0] + "\n";
    };
    expect_transcript("shell/grammar", sent_for);
    // Blanks and a carriage return around the words.
    EXPECT_EQ(sent_for("\t show  port-config   events \r"), "cmd 18\n");
    const std::set<int32_t> assigned{4,  5,  6,  7,  8,  9,  10, 11, 13, 14, 16, 17, 18,
                                     19, 26, 28, 29, 30, 31, 33, 34, 35, 40, 41};
    EXPECT_EQ(reached, assigned);
    // The raw form takes at most the token list's capacity.
    std::string full = "raw 10", block = "cmd 10";
    for (int i = 0; i < PCFG_MAX_TOKENS; ++i) {
        full += " " + std::to_string(i) + "=" + std::to_string(i);
        block += " " + std::to_string(i) + "=" + std::to_string(i);
    }
    EXPECT_EQ(sent_for(full), block + "\n");
    EXPECT_EQ(line_and_errors(full + " 64"), "% Too many raw tokens: 65, at most 64\n");
    EXPECT_EQ(sent_.size(), 1u);
}

// Each refused line of shell/refused gets one line on the error stream and
// runs nothing; so do lines with bytes that do not print, and long lines.
TEST_F(ShellTest, BadInputGetsOneLineAndNoCommand) {
    shell(true);
    const auto refused = [&](const std::string &text) {
        const std::string shown = line_and_errors(text);
        EXPECT_EQ(last_.kind, Outcome::Kind::Rejected) << text;
        return shown;
    };
    expect_transcript("shell/refused", refused);
    const std::vector<std::pair<std::string, std::string>> unprintable = {
        {"show\x01 port-config", "Line holds the non-printable byte 0x01 at column 5; not run"},
        {std::string("show port-config events \xff", 25),
         "Line holds the non-printable byte 0xff at column 25; not run"},
        {std::string("show\0", 5), "Line holds the non-printable byte 0x00 at column 5; not run"},
        {std::string(5000, 'a'), "Line too long: more than 4096 characters; not run"},
    };
    for (const auto &[text, why] : unprintable) EXPECT_EQ(refused(text), "% " + why + "\n");
    EXPECT_TRUE(sent_.empty());
    EXPECT_EQ(call_names(), std::vector<std::string>{"mts_bind"});  // the shell's own queue only
}

TEST_F(ShellTest, OutputLeftOpenIsEndedByTheShell) {
    const std::vector<std::pair<const char *, std::string>> cases = {
        {"Timed out", "Timed out\n"},
        {"line\n", "line\n"},
        {"", ""},
        {"a\nb", "a\nb\n"},
    };
    for (const auto &[printed, shown] : cases) {
        printing_ = printed;
        shell();
        EXPECT_EQ(line("show port-config commands"), shown) << printed;
    }
}

TEST_F(ShellTest, ShellOwnsOneQueueAcrossResets) {
    Shell &sh = shell();
    EXPECT_EQ(calls_text(), "mts_bind(2, -1, 1, 1) words{0x1 0 0x400 0 0 0xf} \"pcfg shell\"\n");
    EXPECT_EQ(pcfg_sim::open_queues(), 1);

    EXPECT_EQ(line("sim reset ports 4"), "sim: a fresh card with 4 front ports\n");
    EXPECT_EQ(pcfg_sim::num_ports(), 4u);
    EXPECT_EQ(pcfg_sim::open_queues(), 1);
    EXPECT_GE(sh.queue_handle(), 0);
    shell_.reset();
    EXPECT_EQ(pcfg_sim::open_queues(), 0);
}

TEST_F(ShellTest, RealSecondsPassOnTheCardBeforeEachCommand) {
    shell(true);
    const uint32_t start = pcfg_sim::now();
    line("show port-config events");  // at once: still one second
    EXPECT_EQ(pcfg_sim::now(), start + 1);
    now_ += std::chrono::milliseconds(5700);
    line("raw 10");
    EXPECT_EQ(pcfg_sim::now(), start + 6);
    now_ += std::chrono::milliseconds(400);  // with the 0.7 s left over: one more
    line("raw 10");
    EXPECT_EQ(pcfg_sim::now(), start + 7);
    line("sim status");  // shell commands let no time pass
    line("help");
    EXPECT_EQ(pcfg_sim::now(), start + 7);
}

TEST_F(ShellTest, LinesFromAStream) {
    const std::vector<std::tuple<std::string, std::string, std::string, int>> cases = {
        {"# a comment\n\n   \nshow port-config commands\r\nfoo\nexit\nshow port-config events\n",
         "cmds processed: 1\n",
         "% line 5: Unknown command \"foo\" (type \"help\" for the commands)\n", 1},
        {"show port-config commands\nshow\tport-c\x01", "cmds processed: 1\n",
         "% line 2: Input ended in the middle of a line; \"show\\x09port-c\\x01\" was not run\n",
         1},
        {std::string(5000, 'x') + "\nshow port-config commands\n# no newline", "cmds processed: 1\n",
         "% line 1: Line too long: more than 4096 characters; not run\n", 1},
        {"show port-config commands\nquit\n", "cmds processed: 1\n", "", 0},
    };
    for (const auto &[input, output, refused, status] : cases) {
        pcfg_sim::reset();
        FILE *in = tmpfile();
        ASSERT_NE(in, nullptr);
        fwrite(input.data(), 1, input.size(), in);
        rewind(in);
        shell();
        int rc = -1;
        EXPECT_EQ(out([&] { rc = shell_->run_stream(in); }), output);
        EXPECT_EQ(errors(), refused);
        EXPECT_EQ(rc, status);
        fclose(in);
        shell_.reset();
    }
}

// Sessions on the simulated card (standard output and errors of each line):
// commands, the steering of the manager and of failing platform calls, help.
TEST_F(ShellTest, SessionsOnTheSimulatedCard) {
    for (const char *session : {"shell/session", "shell/steering", "shell/help"}) {
        shell_.reset();
        pcfg_sim::reset();
        shell();
        expect_transcript(session, [&](const std::string &text) { return line_and_errors(text); });
    }
    // Help lists every command; every row is either a library command or a
    // shell command.
    const std::string all = line("help");
    for (size_t i = 0; i < pcfg_shell::command_count(); ++i) {
        const pcfg_shell::CommandRow &row = pcfg_shell::command_row(i);
        EXPECT_NE(row.run != nullptr, row.cmd != 0 || !row.cmd_by_value.empty()) << row.syntax;
        const std::string shown = pcfg_shell::display_syntax(pcfg_shell::command_syntax(i));
        EXPECT_NE(all.find("  " + shown + "  "), std::string::npos) << shown;
    }
}

TEST_F(ShellTest, ProgramRunsEachCommandOption) {
    const char *argv[] = {"pcfg", "-c", "show port-config commands", "-c", "exit",
                          "-c", "show port-config events"};
    int rc = -1;
    EXPECT_EQ(out([&] { rc = pcfg_shell::main(7, const_cast<char **>(argv)); }),
              "cmds processed: 1\n");
    EXPECT_EQ(rc, 0);
    const char *bad[] = {"pcfg", "-x"};
    EXPECT_EQ(pcfg_shell::main(2, const_cast<char **>(bad)), 2);
}

}  // namespace

namespace {

TEST_F(ShellTest, ClearEventLogEmptiesTheManagersLog) {
    shell();
    line("show port-config commands");
    ASSERT_EQ(pcfg_sim::event_log().size(), 2u);
    EXPECT_EQ(line("clear event-log"), "event-log: cleared (" + pcfg_sim::event_log_segment() + ")\n");
    EXPECT_TRUE(pcfg_sim::event_log().empty());
    EXPECT_EQ(line("show port-config summary"), "") << "nothing to read";
    // A fresh card's log holds the configuration it started with.
    line("sim reset ports 2");
    expect_golden("shell/summary_of_a_fresh_card", line_and_errors("show port-config summary"));
}

}  // namespace
