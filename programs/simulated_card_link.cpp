// How pcfg reaches the card process every shell of the user shares: the
// running card on $PCFG_CARD or the default socket, started in the
// background when none runs there, and reached again after it was lost. It
// is the shell's simulated card's part (simulated_card.h) that only pcfg
// links.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "card_reach_text.h"
#include "owned_fd.h"
#include "pcfg_sim.h"
#include "simulated_card.h"

namespace pcfg {
namespace {

constexpr const char *kCardProgram = "pcfg-card";
constexpr int kConnectTries = 50;  // while a card started beside us comes up
constexpr int kRefusedPath = 2;    // pcfg-card's status for a path it refuses
// How long a card started here may take to listen.
constexpr int kStartLimitMs = pcfg_sim::kConnectSeconds * 1000;

std::string g_path;  // the card's socket, once linked

// The one way this program connects to the card, first and again.
pcfg_sim::Reach connect(std::string &why) { return pcfg_sim::connect_card(g_path, "pcfg", why); }

// pcfg-card beside this program, else wherever PATH finds it.
std::string card_program(const char *program) {
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string dir = n > 0 ? std::string(self, static_cast<size_t>(n)) : std::string(program);
    dir.erase(dir.find_last_of('/') == std::string::npos ? 0 : dir.find_last_of('/') + 1);
    const std::string beside = dir + kCardProgram;
    return access(beside.c_str(), X_OK) == 0 ? beside : kCardProgram;
}

// What the card wrote until it listened or gave up (the pipe's end), within
// the time limit: false when the limit ran out.
bool read_until_done(int fd, std::string &said) {
    timespec start{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    for (;;) {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        const long spent = (now.tv_sec - start.tv_sec) * 1000 + (now.tv_nsec - start.tv_nsec) / 1000000;
        pollfd p{fd, POLLIN, 0};
        if (spent >= kStartLimitMs || poll(&p, 1, static_cast<int>(kStartLimitMs - spent)) == 0) return false;
        char buf[512];
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n == 0 || (n < 0 && errno != EINTR)) return true;
        if (n > 0 && said.size() < 4096) said.append(buf, static_cast<size_t>(n));
    }
}

// Starts `pcfg-card --socket PATH --daemon` and waits until it listens or
// gives up: its exit status, and the line that says why it gave up.
int start_card(const char *program, const std::string &path, std::string &said) {
    const std::string card = card_program(program);
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) return 1;
    pcfg::OwnedFd from_card(ends[0]);
    pcfg::OwnedFd to_shell(ends[1]);
    const pid_t child = fork();
    if (child < 0) return 1;
    if (child == 0) {
        // Its "listening" line is not the shell's output; what it says
        // when it gives up comes back here.
        const int null_fd = open("/dev/null", O_WRONLY | O_CLOEXEC);  // not the card's to keep
        if (null_fd >= 0) dup2(null_fd, 1);
        dup2(to_shell.get(), 2);
        execlp(card.c_str(), kCardProgram, "--socket", path.c_str(), "--daemon",
               static_cast<char *>(nullptr));
        _exit(127);
    }
    to_shell = pcfg::OwnedFd();
    const bool done = read_until_done(from_card.get(), said);
    if (!done) {  // given up
        kill(child, SIGKILL);
        said = "pcfg-card: did not start within " + std::to_string(pcfg_sim::kConnectSeconds) + " seconds";
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    // Its first line, without the program's name.
    said = said.substr(0, said.find('\n'));
    if (said.starts_with("pcfg-card: ")) said.erase(0, 11);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

// Connects this process's platform to the card, starting one when none
// runs. False (said on standard error) when no card could be reached.
bool link_to_card(const char *program) {
    std::string why;
    const char *named = getenv("PCFG_CARD");
    g_path = named != nullptr && named[0] != '\0' ? named : pcfg_sim::default_card_socket(why);
    const std::string &path = g_path;
    if (path.empty()) {
        fprintf(stderr, "pcfg: no folder for the card's socket: %s\n", why.c_str());
        return false;
    }
    pcfg_sim::Reach how = connect(why);
    std::string said;
    int started = 0;
    if (how == pcfg_sim::Reach::NoCard) {
        started = start_card(program, path, said);
        for (int attempt = 0; attempt < kConnectTries && started != kRefusedPath; ++attempt) {
            how = connect(why);
            if (how != pcfg_sim::Reach::NoCard) break;
            usleep(20000);
        }
    }
    if (how == pcfg_sim::Reach::Connected) return true;
    const std::string unreached = pcfg_link::unreached_text(how, path);
    if (how != pcfg_sim::Reach::NoCard) {
        fprintf(stderr, "pcfg: %s (%s)\n", unreached.c_str(), why.c_str());
        return false;
    }
    if (started == kRefusedPath) {
        fprintf(stderr, "pcfg: %s, and none can be started there: %s\n", unreached.c_str(), said.c_str());
        return false;
    }
    fprintf(stderr,
            "pcfg: %s (%s), and none could be started%s%s; start one with \"pcfg-card --socket %s\", "
            "or run \"pcfg --embedded\"\n",
            unreached.c_str(), why.c_str(), said.empty() ? "" : ": ", said.c_str(), path.c_str());
    return false;
}

// The line that says the card was lost, and how to start one.
std::string gone_line() {
    return "The card on " + g_path + " is gone; start one with \"pcfg-card --socket " + g_path +
           " --daemon\" and the next command reconnects";
}

// Connects again to the card's socket after the card was lost, starting
// none: true when a card serves this shell there. `said` tells the operator
// so, that the card is still gone, or why the card there does not serve it.
bool relink(std::string &said) {
    std::string why;
    const pcfg_sim::Reach how = connect(why);
    if (how == pcfg_sim::Reach::Connected) {
        said = "Reconnected to a new card on " + g_path;
    } else if (how == pcfg_sim::Reach::NoCard) {
        said = gone_line();
    } else {
        said = pcfg_link::unreached_text(how, g_path) + " (" + why + ")";
        said[0] = 'T';  // the card on ...: a sentence of its own
    }
    return how == pcfg_sim::Reach::Connected;
}

}  // namespace

CardLink shared_card_link() { return {link_to_card, gone_line, relink}; }

}  // namespace pcfg
