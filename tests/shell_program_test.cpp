// The program `pcfg` as an operator or a script starts it: run through its
// entry point in a child process, with its options, standard streams closed
// or redirected, input that is no command lines, output that cannot be
// written, and a damaged event log. Each case is a line of the transcript
// shell/program, written as a shell would take it:
//   pcfg ARGS [<&- | >&- | 2>&- | < FILE | > FILE | <<< "TEXT"]
// and is followed by what the program wrote (standard error lines marked),
// its exit status and the records of the event log afterwards, which no
// closed stream may change.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "shell.h"
#include "simulated_card.h"
#include "support/golden.h"
#include "support/shell_fixture.h"
#include "words.h"

namespace {

using namespace pcfg_test;

// Runs one transcript line in a child; its report.
std::string run_program(const std::string &line) {
    std::vector<std::string> args = pcfg_shell::split_line(line).command();
    std::string input;
    bool feed = false;
    std::vector<std::pair<int, std::string>> redirect;  // descriptor, file ("" closes it)
    std::vector<std::string> argv_words;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string &a = args[i];
        if (a == "<&-" || a == ">&-" || a == "2>&-") {
            redirect.push_back({a == "<&-" ? 0 : a == ">&-" ? 1 : 2, ""});
        } else if ((a == "<" || a == ">") && i + 1 < args.size()) {
            redirect.push_back({a == "<" ? 0 : 1, args[++i]});
        } else if (a == "<<<" && i + 1 < args.size()) {
            for (const std::string &s = args[++i]; char c : s) input += c;
            for (size_t at; (at = input.find("\\n")) != std::string::npos;) input.replace(at, 2, "\n");
            feed = true;
        } else {
            argv_words.push_back(a);
        }
    }
    int out[2], err[2], in[2];
    if (pipe(out) != 0 || pipe(err) != 0 || pipe(in) != 0) return "no pipes\n";
    fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) close(fd);
        if (!feed) {
            const int null = open("/dev/null", O_RDONLY);
            dup2(null, 0);
            close(null);
        }
        for (const auto &[fd, file] : redirect) {
            close(fd);
            if (!file.empty() && open(file.c_str(), fd == 0 ? O_RDONLY : O_WRONLY | O_CREAT, 0600) != fd)
                _exit(99);
        }
        std::vector<char *> argv;
        for (std::string &w : argv_words) argv.push_back(w.data());
        argv.push_back(nullptr);
        pcfg::SimulatedCard card;
        _exit(pcfg_shell::main(static_cast<int>(argv_words.size()), argv.data(), card));
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    if (write(in[1], input.data(), input.size()) != static_cast<ssize_t>(input.size())) return "no input\n";
    close(in[1]);
    // Everything each stream gives until its end, or until the time is up.
    std::string shown, errors;
    const auto never = [](const std::string &) { return false; };
    read_until(out[0], shown, std::chrono::seconds(20), never);
    read_until(err[0], errors, std::chrono::seconds(2), never);
    close(out[0]);
    close(err[0]);
    int status = 0;
    waitpid(child, &status, 0);
    std::string report = shown;
    size_t start = 0;
    for (size_t nl; (nl = errors.find('\n', start)) != std::string::npos; start = nl + 1)
        report += "stderr: " + errors.substr(start, nl + 1 - start);
    report += WIFEXITED(status) ? "status " + std::to_string(WEXITSTATUS(status)) : "killed by a signal";
    return report + ", event log " + std::to_string(pcfg_sim::event_log().size()) + " records\n";
}

// Overwrites the start of the event log's segment, as a foreign program would.
std::string damage_event_log() {
    const int fd = shm_open(pcfg_sim::event_log_segment().c_str(), O_RDWR, 0);
    char header[64];
    memset(header, 'x', sizeof header);  // reads the same in either byte order
    const bool done = fd >= 0 && pwrite(fd, header, sizeof header, 0) == sizeof header;
    if (fd >= 0) close(fd);
    return done ? "" : "not damaged\n";
}

TEST_F(ShellTest, TheProgramAsOperatorsAndScriptsStartIt) {
    if (under_valgrind()) GTEST_SKIP() << "a child's exit status under valgrind is valgrind's";
    bool damaged = false;  // the next run starts on the damaged log
    expect_transcript("shell/program", [&](const std::string &line) {
        if (line == "(damage the event log)") return damaged = true, damage_event_log();
        if (!damaged) pcfg_sim::reset();
        damaged = false;
        std::string report = run_program(line);
        const std::string segment = pcfg_sim::event_log_segment();
        for (size_t at; (at = report.find(segment)) != std::string::npos;)
            report.replace(at, segment.size(), "<segment>");
        return report;
    });
}

}  // namespace
