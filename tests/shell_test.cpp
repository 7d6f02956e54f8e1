// The operator shell: command lines to parameter blocks, refused input,
// the raw form, the fresh-line rule, its own queue, time passing, and a few
// whole runs on the simulated card.
#include <algorithm>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "command_table.h"
#include "line_reader.h"
#include "support/golden.h"
#include "support/shell_fixture.h"

namespace {

using namespace pcfg_test;
using pcfg_shell::Outcome;
using pcfg_shell::Shell;

// Every row of a library command typed in full, its optional parts left out
// and typed (a number picking the command takes each of its values, any
// other a sample of its range), then the block it fills; the transcript is
// made from the rows, so a new row's lines are written by a run with
// PCFG_UPDATE_GOLDEN=1, to be reviewed. The rows reach every listed command.
TEST_F(ShellTest, EveryLibraryCommandRowFillsItsBlock) {
    shell(true);
    std::string transcript;
    std::set<int32_t> reached;
    for (size_t row = 0; row < pcfg_shell::command_count(); ++row) {
        const pcfg_shell::CommandRow &r = pcfg_shell::command_row(row);
        if (r.run != nullptr) continue;
        const auto elems = pcfg_shell::command_syntax(row).elements();
        const bool optional = std::any_of(elems.begin(), elems.end(), [](const auto &e) {
            return e.kind == pcfg_shell::ElemKind::OptOpen;
        });
        for (bool parts : {false, true}) {
            if (parts && !optional) break;
            for (size_t v = 0; v < std::max<size_t>(r.cmd_by_value.size(), 1); ++v) {
                const auto number = [&](const pcfg_shell::Element &e) {
                    return !r.cmd_by_value.empty() && e.slot == 0
                               ? static_cast<int64_t>(v)
                               : std::min(e.hi, e.lo + 3 + 4 * e.slot);
                };
                const std::string text = text_of(typed_in_full(row, parts, number), SIZE_MAX);
                transcript += "> " + text + "\n" + sent_for(text);
                if (sent_.size() == 1) reached.insert(std::stoi(sent_[0].substr(4)));
            }
        }
    }
    expect_golden("shell/command_blocks", transcript);
    std::set<int32_t> listed;
    for (const pcfg_cmd_info &c : pcfg_cmd_list) listed.insert(c.id);
    EXPECT_EQ(reached, listed);
}

// Each line of shell/grammar is followed by the block it fills: numbers in
// either base and at the ends of their ranges, shortened words, and the raw
// form with any identifier and tokens.
TEST_F(ShellTest, CommandLinesFillTheExactBlock) {
    ASSERT_GE(shell(true).queue_handle(), 0);
    expect_transcript("shell/grammar", [&](const std::string &text) { return sent_for(text); });
    // Blanks and a carriage return around the words.
    EXPECT_EQ(sent_for("\t show  port-config   events \r"), "cmd 18\n");
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
// runs nothing.
TEST_F(ShellTest, BadInputGetsOneLineAndNoCommand) {
    shell(true);
    expect_transcript("shell/refused", [&](const std::string &text) {
        const std::string shown = line_and_errors(text);
        EXPECT_EQ(last_.kind, Outcome::Kind::Rejected) << text;
        return shown;
    });
    EXPECT_TRUE(sent_.empty());
    EXPECT_EQ(call_names(), std::vector<std::string>{"mts_bind"});  // the shell's own queue only
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

// Streams of lines, whatever they hold: a long line is refused at its
// limit and the rest skipped; a NUL byte or a line without end stops the
// reading with one line; the last line runs without its newline.
TEST_F(ShellTest, LinesFromAStream) {
    const std::string endless(pcfg_shell::kMaxLineLength + pcfg_shell::kMaxSkipped + 1, 'x');
    const std::vector<std::tuple<std::string, std::string, std::string, int>> cases = {
        {"# a comment\n\n   \nshow port-config commands\r\nfoo\nexit\nshow port-config events\n",
         "cmds processed: 1\n",
         "% line 5: Unknown command \"foo\" (type \"help\" for the commands)\n", 1},
        {"show port-config commands\nshow\tport-c\x01", "cmds processed: 1\n",
         "% line 2: Line holds the non-printable byte 0x01 at column 12; not run\n", 1},
        {std::string(5000, 'x') + "\nshow port-config commands\nexit", "cmds processed: 1\n",
         "% line 1: Line too long: more than 4096 characters; not run\n", 1},
        {"show port-config commands\nquit\n", "cmds processed: 1\n", "", 0},
        {"show port-config commands\nsh" + std::string(1, '\0') + "ow\nshow port-config commands\n",
         "cmds processed: 1\n",
         "% line 2: Input is not text (a NUL byte at column 3); nothing more read\n", 1},
        {"show port-config commands\n" + endless + "\nshow port-config commands\n", "cmds processed: 1\n",
         "% line 2: Line too long: more than 4096 characters; not run\n"
         "% line 2: Input has no line end within 1048576 bytes; nothing more read\n", 1},
    };
    for (const auto &[input, output, refused, status] : cases) {
        pcfg_sim::reset();
        shell();
        int rc = -1;
        EXPECT_EQ(stream(input, rc), output);
        EXPECT_EQ(errors(), refused);
        EXPECT_EQ(rc, status);
    }
}

// Sessions on the simulated card (standard output and errors of each line):
// commands, the steering of the manager and of failing platform calls, help,
// and the conventions of switch CLIs (output filters, quoted words, help by
// prefix, the nearest command, ports as the card names them, characters that
// are not ASCII), answers as JSON; the card's clock past 2038 up to its last
// second in 2106.
TEST_F(ShellTest, SessionsOnTheSimulatedCard) {
    for (const char *session :
         {"shell/session", "shell/steering", "shell/help", "shell/conventions", "shell/json"}) {
        shell_.reset();
        pcfg_sim::reset();
        shell();
        expect_transcript(session, [&](const std::string &text) {
            // "(the card starts at <seconds>)": a fresh card and shell at that time.
            if (!text.starts_with("(the card starts at ")) return line_and_errors(text);
            shell_.reset();
            pcfg_sim::reset({.start_time = static_cast<uint32_t>(std::stoul(text.substr(20)))});
            shell();
            return std::string();
        });
    }
    // Help fits a terminal of 80 columns.
    std::istringstream help(line("help") + line("help sim fail") + line("help show port-config"));
    for (std::string text; std::getline(help, text);) EXPECT_LE(text.size(), 80u) << text;
    // Every row is either a library command or a shell command (help, whose
    // transcript lists every row, is made from the rows).
    for (size_t i = 0; i < pcfg_shell::command_count(); ++i) {
        const pcfg_shell::CommandRow &row = pcfg_shell::command_row(i);
        EXPECT_NE(row.run != nullptr, row.cmd != 0 || !row.cmd_by_value.empty()) << row.syntax;
    }
}

// A library from before version 1.1 has no JSON entry points: one line says so.
TEST_F(ShellTest, JsonNeedsALibraryThatHasIt) {
    shell(false, false);
    const std::string no_json = "% The library loaded has no JSON output ";
    for (const char *line : {"show port-config commands | json", "show event-log | json", "decode-log x json"})
        EXPECT_EQ(line_and_errors(line).rfind(no_json, 0), 0u) << line;
    EXPECT_EQ(line("show port-config commands"), "cmds processed: 1\n");
}

TEST_F(ShellTest, ProgramRunsEachCommandOption) {
    const char *argv[] = {"pcfg", "-c", "show port-config commands", "-c", "exit",
                          "-c", "show port-config events"};
    int rc = -1;
    pcfg::SimulatedCard card;
    EXPECT_EQ(out([&] { rc = pcfg_shell::main(7, const_cast<char **>(argv), card); }),
              "cmds processed: 1\n");
    EXPECT_EQ(rc, 0);
    const char *bad[] = {"pcfg", "-x"};
    EXPECT_EQ(pcfg_shell::main(2, const_cast<char **>(bad), card), 2);
}

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
