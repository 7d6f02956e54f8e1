// A real card process on a socket of its own, and shells run against it:
// the integration and load tests start programs and compare what they print.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

namespace pcfg_card_test {

struct Finished {
    std::string out;
    std::string err;
    int status = -1;  // exit status; 128 + signal when killed
};

// A program's path in the build tree (set by CMake).
std::string pcfg_program();
std::string card_program();

// Starts a program with `input` on its standard input; the environment
// carries `env` (NAME=value) on top of this process's. On a terminal (a
// pseudo-terminal whose master is both input and output) the program also
// gets a dumb terminal and a home that is no folder, so no line history is
// kept.
class Child {
public:
    enum class Io { Pipes, Terminal };
    Child(const std::vector<std::string> &argv, const std::vector<std::string> &env,
          Io io = Io::Pipes);
    ~Child();
    Child(const Child &) = delete;
    Child &operator=(const Child &) = delete;

    pid_t pid() const { return pid_; }
    int stdout_fd() const { return out_; }
    void write_input(const std::string &text);
    void close_input();
    // Reads standard output until it holds `text` (or `seconds` pass).
    bool read_until(const std::string &text, int seconds);
    // On a terminal: waits until the line editor reads keys as typed, so a
    // control key typed next reaches it rather than the terminal's own line
    // handling (which would make Ctrl-D a bare end of line).
    bool await_line_editor(int seconds);
    // Reads everything to the end and waits for the exit (killed after
    // `seconds`).
    Finished finish(int seconds = 30);
    void kill_now(int sig);
    // What it wrote on standard error so far.
    std::string err_so_far() const;

private:
    pid_t pid_ = -1;
    int in_ = -1;
    int out_ = -1;
    std::string err_path_;
    std::string out_text_;
};

// pcfg --embedded running these commands, on an event log of its own.
Finished embedded(const std::vector<std::string> &commands);

// A card on a temporary socket with an event log of its own; stopped with
// SIGTERM when the test ends.
class Card {
public:
    // `card_env` is given to the card only; `prefix` runs the card (a
    // program that changes its limits or its user, then runs it); `owner`
    // is the user the socket's folder belongs to (-1: this one).
    explicit Card(const std::vector<std::string> &card_env = {},
                  const std::vector<std::string> &prefix = {}, int owner = -1);
    ~Card();
    const std::string &socket() const { return socket_; }
    const std::vector<std::string> &env() const { return env_; }
    pid_t pid() const { return card_ ? card_->pid() : -1; }
    // The card's resident memory in kB.
    long resident_kb() const;
    // Ends the card with SIGTERM; its exit and what it said.
    Finished terminate();
    void kill_now() { card_->kill_now(9); }
    // Kills the card and waits until it is gone; then a new one on its socket.
    void kill();
    void start_again();

    // pcfg running these commands (-c) against the card.
    Finished pcfg_c(const std::vector<std::string> &commands) const;
    // pcfg reading these command lines from a pipe.
    Finished pcfg_piped(const std::vector<std::string> &lines) const;
    // The card's event log segment.
    std::string segment() const;
    // The card's processor time so far, in clock ticks.
    long cpu_ticks() const;
    Finished card_command(const std::string &what) const;  // pcfg-card status / stop

private:
    std::string dir_;
    std::string socket_;
    std::vector<std::string> env_;
    std::vector<std::string> card_env_;
    std::vector<std::string> card_argv_;  // the card program, after what runs it
    std::unique_ptr<Child> card_;

    void start();
};

}  // namespace pcfg_card_test
