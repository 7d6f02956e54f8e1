#include "card_link.h"

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

namespace pcfg_link {
namespace {

constexpr const char *kCardProgram = "pcfg-card";
constexpr int kConnectTries = 50;  // while a card started beside us comes up
constexpr int kRefusedPath = 2;    // pcfg-card's status for a path it refuses
// How long a card started here may take to listen.
constexpr int kStartLimitMs = pcfg_sim::kConnectSeconds * 1000;

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

void tell_lost(const std::string &path) {
    fflush(stdout);
    fprintf(stderr,
            "%% The simulated card on %s is gone: every command now times out. Start one with "
            "\"pcfg-card --socket %s --daemon\" and open the shell again.\n",
            path.c_str(), path.c_str());
    fflush(stderr);
}

}  // namespace

bool link_to_card(const char *program) {
    std::string why;
    const char *named = getenv("PCFG_CARD");
    const std::string path =
        named != nullptr && named[0] != '\0' ? named : pcfg_sim::default_card_socket(why);
    if (path.empty()) {
        fprintf(stderr, "pcfg: no folder for the card's socket: %s\n", why.c_str());
        return false;
    }
    pcfg_sim::Reach how = pcfg_sim::connect_card(path, "pcfg", why);
    std::string said;
    int started = 0;
    if (how == pcfg_sim::Reach::NoCard) {
        started = start_card(program, path, said);
        for (int attempt = 0; attempt < kConnectTries && started != kRefusedPath; ++attempt) {
            how = pcfg_sim::connect_card(path, "pcfg", why);
            if (how != pcfg_sim::Reach::NoCard) break;
            usleep(20000);
        }
    }
    if (how == pcfg_sim::Reach::Connected) {
        pcfg_sim::on_card_lost(tell_lost);
        return true;
    }
    const std::string unreached = unreached_text(how, path);
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

}  // namespace pcfg_link
