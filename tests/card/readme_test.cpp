// The README as a test: its sample session runs against a fresh card and
// prints the README's text (the card's clock and the shell's process id
// aside), every command line of its example block runs, and `pcfg --help`
// lists the exit statuses the README lists.
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include <gtest/gtest.h>

#include "card_process.h"
#include "card_service.h"
#include "transport.h"

namespace pcfg_card_test {
namespace {

std::string readme() {
    std::ifstream f(PCFG_README);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

// The indented block after the first line holding `after`, its indent taken off.
std::vector<std::string> block_after(const std::string &text, const std::string &after) {
    std::istringstream in(text.substr(text.find(after)));
    std::vector<std::string> lines;
    bool in_block = false;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("    ")) {
            lines.push_back(line.substr(4));
            in_block = true;
        } else if (in_block) {
            break;
        }
    }
    return lines;
}

std::string joined(const std::vector<std::string> &lines) {
    std::string out;
    for (const std::string &l : lines) out += l + "\n";
    return out;
}

// What must vary between runs: the card's clock, the shell's process id (and
// the padding its width leaves).
std::string steady(const std::string &text) {
    static const std::regex clock("simulated time    [0-9-]+ [0-9:]+ UTC"), pid("pid [0-9]+ +");
    return std::regex_replace(std::regex_replace(text, clock, "simulated time    <now>"), pid, "pid <pid> ");
}

TEST(Readme, TheSampleSessionPrintsWhatTheReadmeShows) {
    std::vector<std::string> sample = block_after(readme(), "## Sample session");
    std::string typed;
    while (!sample.empty() && (typed.empty() || typed.ends_with("\\"))) {
        typed += sample.front();
        sample.erase(sample.begin());
    }
    ASSERT_TRUE(typed.starts_with("$ ./scripts/shell.sh ")) << typed;
    // The shell with its standard error on its output, as a terminal shows both.
    std::vector<std::string> argv{"/bin/sh", "-c", "exec \"$0\" \"$@\" 2>&1", pcfg_program()};
    static const std::regex command("-c \"([^\"]*)\"");
    for (std::sregex_iterator m(typed.begin(), typed.end(), command), end; m != end; ++m) {
        argv.push_back("-c");
        argv.push_back((*m)[1]);
    }
    Card card;
    std::vector<std::string> env = card.env();
    env.push_back("TZ=UTC0");
    Child shell(argv, env);
    const Finished run = shell.finish();
    EXPECT_EQ(steady(run.out), steady(joined(sample)));
    EXPECT_EQ(run.status, 1);  // the refused port
}

TEST(Readme, EveryExampleCommandLineRuns) {
    for (const std::string &line : block_after(readme(), "Output filters follow any command")) {
        const Finished run = embedded({line});
        EXPECT_EQ(run.status, 0) << line;
        EXPECT_EQ(run.err, "") << line;
        EXPECT_NE(run.out, "") << line;
    }
}

TEST(Readme, HelpListsTheExitStatusesTheReadmeLists) {
    const std::string help = Child({pcfg_program(), "--help"}, {}).finish().out;
    std::vector<std::string> statuses;
    std::istringstream in(help.substr(help.find("Exit status:\n") + 13));
    for (std::string line; std::getline(in, line);) statuses.push_back(line.substr(2));
    EXPECT_EQ(joined(statuses), joined(block_after(readme(), "the environment and the exit status")));
}

// The README's table of the bounds of every shell gives each one's value.
TEST(Readme, TheTableOfBoundsGivesEachValue) {
    using namespace pcfg_sim;
    const auto kib = [](size_t bytes) { return std::to_string(bytes / 1024) + " KiB"; };
    const std::pair<std::string, std::string> bounds[] = {
        {"kQueuesPerClient", std::to_string(card::kQueuesPerClient)},
        {"kMessagesPerClient", std::to_string(card::kMessagesPerClient)},
        {"kMessageBytesPerClient", kib(card::kMessageBytesPerClient)},
        {"kMaxClients", std::to_string(card::kMaxClients)},
        {"kMaxQueues", std::to_string(card::kMaxQueues)},
        {"kUnreadAnswers", std::to_string(link::kUnreadAnswers)},
        {"kUnreadAnswerBytes", kib(link::kUnreadAnswerBytes)},
        {"kMaxFrame", kib(link::kMaxFrame)},
        {"kMaxScriptedPayload", kib(link::kMaxScriptedPayload)},
    };
    std::istringstream in(readme());
    std::map<std::string, std::string> rows;  // constant: the value column
    static const std::regex row("\\| [^|]+ \\| ([^|]+) \\| `(k[A-Za-z]+)` .*");
    std::smatch m;
    for (std::string line; std::getline(in, line);)
        if (std::regex_match(line, m, row)) rows[m[2]] = m[1];
    for (const auto &[name, value] : bounds) EXPECT_TRUE(rows[name].starts_with(value)) << name << ": " << rows[name];
}

}  // namespace
}  // namespace pcfg_card_test
