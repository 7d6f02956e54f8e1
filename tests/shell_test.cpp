// The operator shell: command lines to parameter blocks, refused input,
// the raw form, the fresh-line rule, its own queue, time passing, and a few
// whole runs on the simulated card.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "command_table.h"
#include "help.h"
#include "shell.h"
#include "support/fixture.h"

namespace {

using namespace pcfg_test;
using pcfg_shell::Outcome;
using pcfg_shell::Shell;

using Token = std::pair<int32_t, std::optional<uint32_t>>;

// What the library was handed.
struct Sent {
    int32_t cmd = 0;
    int32_t handle = 0;
    std::vector<Token> tokens;
    bool terminated = false;  // a null pointer follows the tokens
};

Sent record(const cli_param_block &b) {
    Sent s{b.cmd_id, b.mts_handle, {}, b.tokens[b.token_count] == nullptr};
    for (size_t i = 0; i < b.token_count; ++i) {
        const cli_param_token *t = b.tokens[i];
        std::optional<uint32_t> v;
        if (t->value != nullptr) v = *static_cast<const uint32_t *>(t->value);
        s.tokens.emplace_back(t->param_id, v);
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
        if (recording) o.entry = [this](cli_param_block *b) { return sent_.push_back(record(*b)), 0; };
        if (printing_) o.entry = [this](cli_param_block *) { return printf("%s", printing_), 0; };
        shell_.reset();  // one shell at a time: each owns standard output
        shell_ = std::make_unique<Shell>(std::move(o));
        return *shell_;
    }
    std::string line(std::string_view text) {
        return out([&] { last_ = shell_->run_line(text); });
    }
    // Error text written since the last look.
    std::string errors() {
        fflush(errors_);
        std::string text(err_buf_ + err_seen_, err_size_ - err_seen_);
        err_seen_ = err_size_;
        return text;
    }

    std::chrono::steady_clock::time_point now_{};
    std::vector<Sent> sent_;
    const char *printing_ = nullptr;
    Outcome last_;
    std::unique_ptr<Shell> shell_;

private:
    FILE *errors_ = nullptr;
    char *err_buf_ = nullptr;
    size_t err_size_ = 0;
    size_t err_seen_ = 0;
};

constexpr uint32_t kNone = 0xdeadbeef;  // marks a token without a value below

struct BlockCase {
    const char *line;
    int32_t cmd;
    std::vector<std::pair<int32_t, uint32_t>> tokens;
};

const std::vector<BlockCase> kGrammar = {
    {"show port-config history instance 0", 4, {}},
    {"show port-config history instance 1", 5, {}},
    {"show port-config history instance 2", 6, {}},
    {"show port-config history instance 3", 7, {}},
    {"show port-config history instance 4", 8, {}},
    {"show port-config history instance 5", 9, {}},
    {"show port-config history instance 6", 14, {}},
    {"show port-config history instance 7", 35, {}},
    {"show port-config commands", 10, {}},
    {"show port-config commands history", 11, {}},
    {"show port-config timestamp port 3", 13, {{12, 3}}},
    {"show port-config resources", 16, {}},
    {"show port-config resources port 255", 17, {{17, 255}}},
    {"show port-config events", 18, {}},
    {"show port-config credits", 19, {}},
    {"show port-config credits port 7", 19, {{17, 7}}},
    {"show port-config credits second-form", 26, {}},
    {"show port-config credits second-form port 0x10", 26, {{17, 16}}},
    {"show port-config counters port 5", 28, {{12, 5}}},
    {"show port-config counters current port 48", 29, {{12, 48}}},
    {"show port-config summary", 30, {{30, kNone}}},
    {"show port-config summary port 2", 31, {{31, 2}}},
    {"show port-config port-info port 1", 33, {{12, 1}}},
    {"show port-config transceiver port 9", 34, {{12, 9}}},
    {"show port-config bandwidth", 40, {}},
    {"show port-config bandwidth interval 60", 40, {{40, 60}}},
    {"debug port-config fec port 3 state 255", 41, {{12, 3}, {41, 255}}},
    // Shortened keywords in any case, blanks and a carriage return around.
    {"SH Port-C cou CUR port 5", 29, {{12, 5}}},
    {"\t show  port-config   events \r", 18, {}},
    // The raw form.
    {"raw 28 12=5", 28, {{12, 5}}},
    {"raw -1", -1, {}},
    {"raw 0xffffffff 0x11=0xFFFFFFFF 30", -1, {{17, 0xffffffff}, {30, kNone}}},
    {"raw 41 12=-1 41=511 12", 41, {{12, 0xffffffff}, {41, 511}, {12, kNone}}},
    {"raw 2147483648", INT32_MIN, {}},
};

TEST_F(ShellTest, CommandLinesFillTheExactBlock) {
    Shell &sh = shell(true);
    ASSERT_GE(sh.queue_handle(), 0);
    std::set<int32_t> reached;
    for (const BlockCase &c : kGrammar) {
        SCOPED_TRACE(c.line);
        sent_.clear();
        EXPECT_EQ(line(c.line), "");
        EXPECT_EQ(errors(), "");
        ASSERT_EQ(sent_.size(), 1u);
        EXPECT_EQ(sent_[0].cmd, c.cmd);
        EXPECT_EQ(sent_[0].handle, sh.queue_handle());
        EXPECT_TRUE(sent_[0].terminated);
        std::vector<Token> want;
        for (auto [id, v] : c.tokens)
            want.emplace_back(id, v == kNone ? std::nullopt : std::optional<uint32_t>(v));
        EXPECT_EQ(sent_[0].tokens, want);
        if (std::string_view(c.line).starts_with("raw")) continue;
        reached.insert(c.cmd);
    }
    // Words reach every assigned command identifier.
    const std::set<int32_t> assigned{4,  5,  6,  7,  8,  9,  10, 11, 13, 14, 16, 17, 18,
                                     19, 26, 28, 29, 30, 31, 33, 34, 35, 40, 41};
    EXPECT_EQ(reached, assigned);
}

TEST_F(ShellTest, RawFormTakesAtMostTheTokenListsCapacity) {
    shell(true);
    std::string full = "raw 10";
    for (int i = 0; i < PCFG_MAX_TOKENS; ++i) {
        const std::string n = std::to_string(i);
        full.append(" ").append(n).append("=").append(n);
    }
    line(full);
    ASSERT_EQ(sent_.size(), 1u);
    EXPECT_EQ(sent_[0].tokens.size(), size_t{PCFG_MAX_TOKENS});
    EXPECT_EQ(sent_[0].tokens.back(), Token(63, 63u));
    EXPECT_TRUE(sent_[0].terminated);
    line(full + " 64");
    EXPECT_EQ(errors(), "% Too many raw tokens: 65, at most 64\n");
    EXPECT_EQ(sent_.size(), 1u);
}

TEST_F(ShellTest, BadInputGetsOneLineAndNoCommand) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"foo", "Unknown command \"foo\" (type \"help\" for the commands)"},
        {"show port-config nothing",
         "Unknown word \"nothing\" after \"show port-config\" (type \"show port-config ?\" for "
         "the choices)"},
        {"show port-config c",
         "Ambiguous word \"c\" after \"show port-config\": commands, credits, counters"},
        {"show port-config events now",
         "Unexpected word \"now\": \"show port-config events\" takes nothing more"},
        {"show port-config counters",
         "Incomplete command \"show port-config counters\": expected port, current (type "
         "\"show port-config counters ?\" for the choices)"},
        {"show port-config counters port",
         "Incomplete command \"show port-config counters port\": expected <port> (type "
         "\"show port-config counters port ?\" for the choices)"},
        {"show port-config counters port -1", "Bad port \"-1\": must not be negative"},
        {"show port-config counters port 256", "Bad port \"256\": too large, at most 255"},
        {"show port-config counters port 0", "Bad port \"0\": too small, at least 1"},
        {"show port-config counters port five", "Bad port \"five\": not a number"},
        {"show port-config counters port 5x", "Bad port \"5x\": junk \"x\" after the number"},
        {"show port-config counters port 0x", "Bad port \"0x\": not a number"},
        {"show port-config counters port 99999999999999999999999",
         "Bad port \"99999999999999999999999\": too large, at most 255"},
        {"show port-config history instance 8", "Bad instance \"8\": too large, at most 7"},
        {"raw", "Incomplete command \"raw\": expected <cmd-id> (type \"raw ?\" for the choices)"},
        {"raw 4294967296", "Bad cmd-id \"4294967296\": too large, at most 4294967295"},
        {"raw 10 12=abc", "Bad value \"abc\": not a number (token 1)"},
        {"raw 10 30 x=1", "Bad parameter id \"x\": not a number (token 2)"},
        {"raw 10 =5", "Bad raw token \"=5\": the parameter id is missing"},
        {"raw 10 12=", "Bad raw token \"12=\": the value is missing"},
        {"show\x01 port-config", "Line holds the non-printable byte 0x01 at column 5; not run"},
        {std::string("show port-config events \xff", 25),
         "Line holds the non-printable byte 0xff at column 25; not run"},
        {std::string("show\0", 5), "Line holds the non-printable byte 0x00 at column 5; not run"},
        {std::string(5000, 'a'), "Line too long: more than 4096 characters; not run"},
        {"sim fail nothing", "Unknown platform call \"nothing\" (\"help sim fail\" lists them)"},
        {"sim manager wrong-opcode 0", "Bad opcode \"0\": too small, at least 1"},
        {"help nothing", "Unknown command \"nothing\" (type \"help\" for the commands)"},
    };
    shell(true);
    for (const auto &[text, why] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(line(text), "");
        EXPECT_EQ(errors(), "% " + why + "\n");
        EXPECT_EQ(last_.kind, Outcome::Kind::Rejected);
    }
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
    const auto binds = pcfg_sim::calls_named("mts_bind");
    ASSERT_EQ(binds.size(), 1u);
    EXPECT_EQ(binds[0].args[0], 2);
    EXPECT_EQ(binds[0].args[1], -1);
    EXPECT_EQ(binds[0].words, (std::vector<uint32_t>{1, 0, 0x400, 0, 0, 0xf}));
    EXPECT_EQ(binds[0].text, "pcfg shell");
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

TEST_F(ShellTest, CommandsRunOnTheSimulatedCard) {
    shell();
    EXPECT_EQ(line("show port-config commands"), "cmds processed: 1\n");
    EXPECT_EQ(line("sim manager silent"), "sim: the manager answers no request\n");
    EXPECT_EQ(line("show port-config commands"),
              "Timed out waiting for response from LC Port Cfg\n");
    // The library ends this one itself: its newline follows the timeout text,
    // then come the history instances, the card's start-up first.
    const std::string history = line("show port-config commands history");
    EXPECT_EQ(history.rfind("Timed out waiting for response from LC Port Cfg\n"
                            "*************** Port Config Error Log ***************\n",
                            0),
              0u)
        << history;
    line("sim manager normal");
    EXPECT_EQ(line("sim manager wrong-opcode 999"),
              "sim: the manager's next answer carries opcode 999\n");
    EXPECT_EQ(line("show port-config events"),
              "Received invalid opcode (999) waiting for responsefrom LC Port Cfg\n");
    line("sim manager short-payload 3");
    EXPECT_EQ(line("show port-config events"), "LC Port Cfg passed back short payload (3 bytes)\n");
    EXPECT_EQ(line("sim fail mts_bind -1 24"),
              "sim: call 1 of mts_bind from now on fails with result -1, errno 24\n");
    EXPECT_EQ(line("sh port-c comm"), "Failed to get mts queue handle for LC Config Mgr CLI: 24\n");
    EXPECT_EQ(line("raw 12"), "Invalid cmd_id = 0xc\n");
    EXPECT_EQ(line("sim status"),
              "simulated time    2025-12-05 16:00:07 UTC\n"
              "front ports       48\n"
              "manager requests  5 handled\n"
              "open queues       1 (the shell's own included)\n"
              "held messages     0\n");
    EXPECT_EQ(errors(), "");
}

TEST_F(ShellTest, SteeringShowsTheFailurePaths) {
    const std::vector<std::pair<const char *, std::string>> steps = {
        {"sim manager null-payload", "sim: the manager's next answer has no payload\n"},
        {"show port-config commands", "LC Port Cfg passed back NULL pointer\n"},
        {"sim fail mts_recv -1 62 2",
         "sim: call 2 of mts_recv from now on fails with result -1, errno 62\n"},
        {"show port-config commands", "cmds processed: 2\n"},
        {"show port-config commands", "Timed out waiting for response from LC Port Cfg\n"},
        {"sim fail sse_call", "sim: call 1 of sse_call from now on fails with result -1, errno 5\n"},
        {"sim clear-faults", "sim: no platform call fails\n"},
        {"sim advance 60", "sim: 60 seconds passed, simulated time is 2025-12-05 16:01:03 UTC\n"},
        {"sim reset", "sim: a fresh card with 48 front ports\n"},
        {"show port-config commands", "cmds processed: 1\n"},
    };
    shell();
    for (const auto &[text, shown] : steps) EXPECT_EQ(line(text), shown) << text;
    EXPECT_EQ(errors(), "");
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

TEST_F(ShellTest, HelpListsEveryCommandAndTheWordsThatMayFollow) {
    shell();
    const std::string all = line("help");
    for (size_t i = 0; i < pcfg_shell::command_count(); ++i) {
        const pcfg_shell::CommandRow &row = pcfg_shell::command_row(i);
        // Every row is either a library command or a shell command.
        EXPECT_NE(row.run != nullptr, row.cmd != 0 || !row.cmd_by_value.empty()) << row.syntax;
        const std::string shown = pcfg_shell::display_syntax(pcfg_shell::command_syntax(i));
        EXPECT_NE(all.find("  " + shown + "  "), std::string::npos) << shown;
    }
    EXPECT_EQ(line("show port-config counters ?"),
              "  port     Select one front port\n"
              "  current  The current counters\n");
    EXPECT_EQ(line("show port-config co?"),
              "  commands  Commands the manager has processed\n"
              "  counters  Counters of a port\n");
    EXPECT_EQ(line("show port-config credits ?"),
              "  port         Select one front port\n"
              "  second-form  The table's second form\n"
              "  <cr>         Buffer-credit table of every port, or of one\n");
    EXPECT_EQ(line("sh port-c counters port ?"), "  <1-255>  Port number, counted from 1\n");
    EXPECT_EQ(line("help show port-config counters current"),
              "  show port-config counters current port <port>  Current counters of a port\n"
              "      show         Show information\n"
              "      port-config  Port-configuration manager of the line card\n"
              "      counters     Counters of a port\n"
              "      current      The current counters\n"
              "      port         Select one front port\n"
              "      <port>       Port number, counted from 1 (1 to 255)\n");
    EXPECT_NE(line("help sim fail").find("tlv_aligned_array_get_next_tlv"), std::string::npos);
    EXPECT_EQ(errors(), "");
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
    EXPECT_EQ(line("show port-config summary"),
              "  SeqNo Port   Speed    En/Dis   PortMode  RateMode Perf  B2B EcB2B\n"
              "      1    1     16G        Up          F      Full    -    -     -\n"
              "      1    2     16G        Up         FL      Full    -    -     -\n"
              "      3    1       -         -          -         -    -    -     -\n");
    EXPECT_EQ(errors(), "");
}

}  // namespace
