// The shell on an operator's terminal, through a pseudo-terminal: each step
// types keys and waits for what the terminal then shows (line editing,
// Tab, "?", Ctrl-C, Ctrl-D, the history kept in the home directory).
#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "line_editor.h"
#include "shell.h"
#include "simulated_card.h"
#include "support/shell_fixture.h"

namespace {

using namespace pcfg_test;

struct Step {
    const char *keys;   // typed
    const char *shows;  // what then appears on the terminal (after the keys' echo)
};

// Keys and what the terminal shows after them, in order.
const std::vector<Step> kSteps = {
    {"", "Type \"help\" for the commands, \"exit\" to leave.\r\npcfg# "},
    {"sh port-c comm\t", "commands "},
    {"\r", "cmds processed: 1\r\npcfg# "},
    {"show port-config cou?", "  counters  Counters of a port\r\n"},
    {"\t", "counters "},
    {"port fc1/5 | inc ifHCIn\r", "ifHCInOctets"},
    {"", "\r\npcfg# "},
    {"show port-c", "show port-c"},
    {"\x03", "pcfg# "},  // Ctrl-C drops the line
    {"sim status | include requests\r", "manager requests  2 handled\r\npcfg# "},  // the dropped line did not run
    {"sim fail sd?", "  sdstub_show_hist_inst  display a history instance\r\n"},  // the calls sim fail takes
    {"\t", "sdstub_show_hist_inst "},  // echoed: the line editor reads the keys again
    {"\x15", ""},                       // Ctrl-U empties the line
    {"\x04", ""},                                             // Ctrl-D leaves
};

TEST_F(ShellTest, AnOperatorsTerminal) {
    if (!pcfg_shell::LineEditor::editing()) GTEST_SKIP() << "built without line editing";
    if (under_valgrind()) GTEST_SKIP() << "a child's status and timing under valgrind are its own";
    char home[] = "/tmp/pcfg_home_XXXXXX";
    ASSERT_NE(mkdtemp(home), nullptr);
    fflush(nullptr);
    int master = -1;
    const pid_t child = forkpty(&master, nullptr, nullptr, nullptr);
    ASSERT_GE(child, 0);
    if (child == 0) {
        setenv("HOME", home, 1);
        setenv("TERM", "dumb", 1);
        char name[] = "pcfg";
        char *argv[] = {name, nullptr};
        pcfg::SimulatedCard card;
        _exit(pcfg_shell::main(1, argv, card));
    }
    std::string seen;
    size_t from = 0;  // what a step shows comes after what the one before showed
    for (const Step &step : kSteps) {
        SCOPED_TRACE(step.keys);
        ASSERT_EQ(write(master, step.keys, strlen(step.keys)), static_cast<ssize_t>(strlen(step.keys)));
        const auto shown = [&](const std::string &s) { return s.find(step.shows, from) != std::string::npos; };
        EXPECT_TRUE(read_until(master, seen, std::chrono::seconds(10), shown))
            << "terminal shows:\n" << seen.substr(from);
        from = std::min(seen.size(), seen.find(step.shows, from) + strlen(step.shows));
    }
    // The shell leaves at Ctrl-D; one still running after 10 s is ended, so
    // a lost key fails the test instead of hanging the suite.
    int status = -1;
    for (int tenths = 0; waitpid(child, &status, WNOHANG) == 0; ++tenths) {
        if (tenths == 100) kill(child, SIGKILL), waitpid(child, &status, 0);
        else usleep(100000);
    }
    close(master);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "terminal shows:\n" << seen.substr(from);

    // The lines run are kept for the next session, the dropped ones are not.
    std::ifstream history(std::string(home) + "/.pcfg_history");
    std::stringstream kept;
    kept << history.rdbuf();
    EXPECT_NE(kept.str().find("sh\\040port-c\\040commands"), std::string::npos) << kept.str();
    EXPECT_EQ(kept.str().find("sim\\040fail"), std::string::npos) << kept.str();
    unlink((std::string(home) + "/.pcfg_history").c_str());
    rmdir(home);
}

}  // namespace
