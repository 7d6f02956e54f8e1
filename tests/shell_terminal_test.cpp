// The shell on an operator's terminal, through a pseudo-terminal: each step
// types keys and waits for what the terminal then shows. Grouped by what
// they check: editing keys and characters, the pager, Ctrl-Z and "fg"; and
// the line history that shells sharing a home keep.
#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <cstdlib>
#include <fstream>
#include <pwd.h>
#include <sstream>
#include <string>
#include <vector>

#include "editing_keys.h"
#include "history_file.h"
#include "line_editor.h"
#include "shell.h"
#include "simulated_card.h"
#include "support/shell_fixture.h"

namespace {

using namespace pcfg_test;

constexpr int64_t kCardStart = 1907755200;  // 2030-06-15 12:00:00 UTC

struct Step {
    const char *keys;   // typed (one write: pasted)
    const char *shows;  // what then appears on the terminal (after the keys' echo)
    bool to_editor = true;  // typed once the line editor reads keys as typed
};

std::string slurp(const std::string &path) {
    std::ifstream f(path);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

// The shell in its own process group on a pseudo-terminal of `rows` lines
// (no size when 0), with `home` as HOME, under a job control of the test's
// own: when Ctrl-Z stops the shell, "[stopped]" shows, and the next line
// typed continues it in the foreground. Each step's keys are typed and what
// they show awaited. The shell's exit status (killed after 10 s).
int run_terminal(const std::vector<Step> &steps, const char *home, unsigned short rows) {
    fflush(nullptr);
    const winsize size{rows, 80, 0, 0};
    int master = -1;
    const pid_t child = forkpty(&master, nullptr, nullptr, rows != 0 ? &size : nullptr);
    if (child == 0) {
        setenv("HOME", home, 1);
        setenv("TERM", "dumb", 1);
        signal(SIGTTOU, SIG_IGN);
        const pid_t shell = fork();
        if (shell == 0) {
            setpgid(0, 0);
            tcsetpgrp(0, getpid());
            signal(SIGTTOU, SIG_DFL);
            char name[] = "pcfg";
            char *argv[] = {name, nullptr};
            // The card starts at the time of day, here a fixed one: its clock
            // shows in pages.
            pcfg::SimulatedCard card({}, std::chrono::steady_clock::now, [] {
                return std::chrono::system_clock::time_point(std::chrono::seconds(kCardStart));
            });
            _exit(pcfg_shell::main(1, argv, card));
        }
        setpgid(shell, shell);
        int st = 0;
        while (waitpid(shell, &st, WUNTRACED) > 0 && WIFSTOPPED(st)) {
            tcsetpgrp(0, getpgrp());
            (void)!write(1, "[stopped]\n", 10);
            for (char c = 0; read(0, &c, 1) == 1 && c != '\n';) {
            }
            tcsetpgrp(0, shell);
            kill(-shell, SIGCONT);
        }
        _exit(WIFEXITED(st) ? WEXITSTATUS(st) : 128);
    }
    std::string seen;
    size_t from = 0;  // what a step shows comes after what the one before showed
    for (const Step &step : steps) {
        SCOPED_TRACE(step.keys);
        termios t{};
        for (int tries = 0; step.to_editor && tries < 200 && tcgetattr(master, &t) == 0 && (t.c_lflag & ICANON) != 0;
             ++tries)
            usleep(10000);
        EXPECT_EQ(write(master, step.keys, strlen(step.keys)), static_cast<ssize_t>(strlen(step.keys)));
        const auto shown = [&](const std::string &s) { return s.find(step.shows, from) != std::string::npos; };
        EXPECT_TRUE(read_until(master, seen, std::chrono::seconds(10), shown))
            << "terminal shows:\n" << seen.substr(from);
        from = std::min(seen.size(), seen.find(step.shows, from) + strlen(step.shows));
    }
    int status = -1;
    for (int tenths = 0; waitpid(child, &status, WNOHANG) == 0; ++tenths) {
        if (tenths == 100) kill(child, SIGKILL), waitpid(child, &status, 0);
        else usleep(100000);
    }
    close(master);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class ShellTerminalTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        if (!pcfg_shell::LineEditor::editing()) GTEST_SKIP() << "built without line editing";
        if (under_valgrind()) GTEST_SKIP() << "a child's status and timing under valgrind are its own";
        ASSERT_NE(mkdtemp(home_), nullptr);
    }
    void TearDown() override {
        unlink(history().c_str());
        rmdir(home_);
        ShellTest::TearDown();
    }
    std::string history() const { return std::string(home_) + "/.pcfg_history"; }
    char home_[32] = "/tmp/pcfg_home_XXXXXX";
};

// A key is a named editing key or a character of the line, typed or pasted:
// what is no printable ASCII stays in the line and refuses it at Enter, as
// the same line read from a pipe.
TEST_F(ShellTerminalTest, KeysEditAndEveryOtherByteIsACharacter) {
    const std::vector<Step> steps = {
        {"", "Type \"help\" for the commands, \"exit\" to leave.\r\npcfg# "},
        {"sh port-c comm\t", "commands "},
        {"\r", "cmds processed: 1\r\npcfg# "},
        {"show port-config cou?", "  counters  Counters of a port\r\n"},
        {"\t", "counters "},
        {"port fc1/5 | inc ifHCIn\r", "ifHCInOctets"},
        {"", "\r\npcfg# "},
        {"sim advance 5 \xe2\x80\x93 1\r",
         "% Line holds the character U+2013 (en dash; type \"-\") at column 15: commands are plain "
         "ASCII; not run\r\npcfg# "},
        {"show \xc3", ""},  // one character in two reads
        {"\xa9\r", "U+00E9 at column 6: commands are plain ASCII; not run\r\npcfg# "},
        {"sim advance 7 \xff\r", "the byte 0xff at column 15, which is not UTF-8 text; not run\r\npcfg# "},
        {"\x1bx\x1f\r", "^[x^_\r\n% Line holds the non-printable byte 0x1b at column 1; not run\r\npcfg# "},
        {"sim status | include \"e?d\" | count\r", "5 lines\r\npcfg# "},  // "?" in quotes
        {"show port-c", "show port-c"},
        {"\x03", "^C\r\npcfg# "},  // Ctrl-C drops the line
        {"show port-c\t", "\rpcfg# show port-config "},
        {"\x1c", "^C\r\npcfg# "},  // so does Ctrl-\ (a signal, as Ctrl-C)
        {"sim status | include requests\r", "manager requests  2 handled\r\npcfg# "},  // nothing dropped ran
        {"sim fail sd?", "  sdstub_show_hist_inst  display a history instance\r\n"},
        {"\t", "sdstub_show_hist_inst "},
        {"\x15" "decode-log /dev/nul\t", "decode-log /dev/null "},  // Ctrl-U, then a file name
        {"\x15" "decode-log /dev/std\t", "  stderr  file\r\n  stdin   file\r\n  stdout  file\r\n"},
        {"\x15", ""},
        {"\x04", ""},  // Ctrl-D leaves
    };
    EXPECT_EQ(run_terminal(steps, home_, 0), 0);
    // The lines run are kept for the next session, the dropped ones and
    // those that are no command lines are not.
    EXPECT_EQ(slurp(history()),
              "_HiStOrY_V2_\nsh\\040port-c\\040commands\\040\n"
              "show\\040port-config\\040counters\\040port\\040fc1/5\\040|\\040inc\\040ifHCIn\n"
              "sim\\040status\\040|\\040include\\040\"e?d\"\\040|\\040count\n"
              "sim\\040status\\040|\\040include\\040requests\n");
}

// Output taller than the page stops at --More--: space a page, Enter a
// line, q drops the rest; `terminal length 0` and `| no-more` never stop.
TEST_F(ShellTerminalTest, LongOutputStopsAtPageEnds) {
    const std::vector<Step> steps = {
        {"", "pcfg# "},
        {"sim status\r", "sim status\r\nsimulated time    2030-06-15 12:00:00 UTC\r\nfront ports       48\r\n"
                         "manager           answers every request\r\n--More--"},
        {"\r", "\r        \rmanager requests  0 handled\r\n--More--"},
        {" ", "\r        \ropen queues       1 (the shell's own included)\r\nheld messages     0\r\n"
              "armed faults      0\r\npcfg# "},
        {"sim status\r", "--More--"},
        {"q", "\r        \rpcfg# "},
        {"sim status\r", "--More--"},
        {"\x03", "\r        \rpcfg# "},  // Ctrl-C as q
        {"sim status | no-more | count\r", "7 lines\r\npcfg# "},
        {"terminal length 0\r", "pcfg# "},
        {"sim status\r", "armed faults      0\r\npcfg# "},
        {"exit\r", ""},
    };
    EXPECT_EQ(run_terminal(steps, home_, 4), 0);
}

// Ctrl-Z gives the terminal back as it was; "fg" shows the prompt and the
// line again, and keys edit it as before.
TEST_F(ShellTerminalTest, CtrlZSuspendsAndFgShowsTheLineAgain) {
    const std::vector<Step> steps = {
        {"", "pcfg# "},
        {"sim sta", "sim sta"},
        {"\x1a", "[stopped]"},
        {"fg\n", "pcfg# sim sta", false},
        {"\t", "sim status "},
        {"\r", "armed faults      0\r\npcfg# "},
        {"\x04", ""},
    };
    EXPECT_EQ(run_terminal(steps, home_, 0), 0);
}

// Shells sharing a home append their lines under a lock: none is lost, the
// file keeps the newest lines; one warning when it cannot be written.
TEST_F(ShellTerminalTest, ShellsSharingAHistoryKeepEveryLine) {
    fflush(nullptr);
    std::vector<pid_t> shells;
    for (const char *who : {"a", "b"}) {
        shells.push_back(fork());
        if (shells.back() != 0) continue;
        pcfg_shell::HistoryFile file(history(), stderr);
        for (int i = 0; i < 300; ++i) file.append(who + std::to_string(i));
        _exit(0);
    }
    for (const pid_t pid : shells) waitpid(pid, nullptr, 0);
    std::string a, b;
    std::istringstream kept(slurp(history()));
    for (std::string line; std::getline(kept, line);)
        if (line != pcfg_shell::kHistoryHeader) (line[0] == 'a' ? a : b) += line + " ";
    std::string want_a, want_b;
    for (int i = 0; i < 300; ++i) want_a += "a" + std::to_string(i) + " ", want_b += "b" + std::to_string(i) + " ";
    EXPECT_EQ(a, want_a);
    EXPECT_EQ(b, want_b);

    pcfg_shell::HistoryFile file(history(), nullptr);
    std::string newest = "_HiStOrY_V2_\n";
    for (size_t i = 0; i < pcfg_shell::kHistoryLines; ++i) {
        file.append("c " + std::to_string(i));
        newest += "c\\040" + std::to_string(i) + "\n";
    }
    EXPECT_EQ(slurp(history()), newest);

    EXPECT_EQ(out([] {
                  pcfg_shell::HistoryFile lost("/nonexistent-pcfg-dir/.pcfg_history", stdout);
                  lost.append("x");
                  lost.append("y");
              }),
              "pcfg: the line history is not kept in /nonexistent-pcfg-dir/.pcfg_history: No such "
              "file or directory\n");
    // Without HOME, the home of the user database.
    const std::string saved = getenv("HOME");
    unsetenv("HOME");
    std::string why;
    EXPECT_EQ(pcfg_shell::history_path(why), std::string(getpwuid(getuid())->pw_dir) + "/.pcfg_history");
    setenv("HOME", saved.c_str(), 1);
}

// The README lists the editing keys as the table has them: the keys of one
// function together, in the table's order.
TEST(EditingKeys, TheReadmeListsEveryKey) {
    std::vector<std::pair<std::string_view, std::string>> rows;  // what, keys
    for (const pcfg_shell::EditingKey &k : pcfg_shell::editing_keys()) {
        auto row = std::find_if(rows.begin(), rows.end(), [&](const auto &r) { return r.first == k.what; });
        if (row == rows.end()) row = rows.insert(rows.end(), {k.what, ""});
        if (row->second.find(k.key) == std::string::npos) row->second += (row->second.empty() ? "" : ", ") + std::string(k.key);
    }
    std::string listed;
    for (const auto &[what, keys] : rows) listed += "    " + keys + std::string(26 - keys.size(), ' ') + std::string(what) + "\n";
    EXPECT_NE(slurp(PCFG_GOLDEN_DIR "/../../README.md").find(listed), std::string::npos) << listed;
}

}  // namespace
