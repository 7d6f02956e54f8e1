// The shell on an operator's terminal, through a pseudo-terminal: each step
// types keys and waits for what the terminal then shows (line editing,
// Tab, "?", Ctrl-C, Ctrl-D, the history kept in the home directory).
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
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
    {"sim status | include requests\r", "manager requests  2 handled\r\n"},  // the dropped line did not run
    {"sim fail sd?", "  sdstub_show_hist_inst  display a history instance\r\n"},  // the calls sim fail takes
    {"\t", "sdstub_show_hist_inst "},
    {"sim reset\x15", "pcfg# "},                              // Ctrl-U empties the line
    {"\x04", ""},                                             // Ctrl-D leaves
};

// What the terminal shows until `wanted` appears or time runs out.
bool wait_for(int fd, std::string &seen, const std::string &wanted, size_t from) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (seen.find(wanted, from) == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            until - std::chrono::steady_clock::now());
        pollfd p{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
        char buf[1024];
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n <= 0) return false;
        seen.append(buf, static_cast<size_t>(n));
    }
    return true;
}

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
        _exit(pcfg_shell::main(1, argv));
    }
    std::string seen;
    size_t from = 0;  // what a step shows comes after what the one before showed
    for (const Step &step : kSteps) {
        SCOPED_TRACE(step.keys);
        ASSERT_EQ(write(master, step.keys, strlen(step.keys)), static_cast<ssize_t>(strlen(step.keys)));
        EXPECT_TRUE(wait_for(master, seen, step.shows, from)) << "terminal shows:\n" << seen.substr(from);
        from = std::min(seen.size(), seen.find(step.shows, from) + strlen(step.shows));
    }
    int status = -1;
    waitpid(child, &status, 0);
    close(master);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;

    // The lines run are kept for the next session, the dropped ones are not.
    std::ifstream history(std::string(home) + "/.pcfg_history");
    std::stringstream kept;
    kept << history.rdbuf();
    EXPECT_NE(kept.str().find("sh\\040port-c\\040commands"), std::string::npos) << kept.str();
    EXPECT_EQ(kept.str().find("sim\\040reset"), std::string::npos) << kept.str();
    unlink((std::string(home) + "/.pcfg_history").c_str());
    rmdir(home);
}

}  // namespace
