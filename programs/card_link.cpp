#include "card_link.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "pcfg_sim.h"

namespace pcfg_link {
namespace {

constexpr const char *kCardProgram = "pcfg-card";
constexpr int kConnectTries = 50;  // while a card started beside us comes up

// pcfg-card beside this program, else wherever PATH finds it.
std::string card_program(const char *program) {
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string dir = n > 0 ? std::string(self, static_cast<size_t>(n)) : std::string(program);
    dir.erase(dir.find_last_of('/') == std::string::npos ? 0 : dir.find_last_of('/') + 1);
    const std::string beside = dir + kCardProgram;
    return access(beside.c_str(), X_OK) == 0 ? beside : kCardProgram;
}

// Starts `pcfg-card --socket PATH --daemon` and waits until it listens (or
// refused: another card came up first).
void start_card(const char *program, const std::string &path) {
    const std::string card = card_program(program);
    const pid_t child = fork();
    if (child < 0) return;
    if (child == 0) {
        // Its lines are not the shell's output: its "listening" line, or that
        // another card came up first. Should it fail, the shell says how to
        // start one by hand, which then tells why.
        const int null_fd = open("/dev/null", O_WRONLY | O_CLOEXEC);  // not the card's to keep
        if (null_fd >= 0) {
            dup2(null_fd, 1);
            dup2(null_fd, 2);
        }
        execlp(card.c_str(), kCardProgram, "--socket", path.c_str(), "--daemon",
               static_cast<char *>(nullptr));
        _exit(127);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
    }
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
    bool started = false;
    for (int attempt = 0; attempt < kConnectTries; ++attempt) {
        if (pcfg_sim::connect_card(path, "pcfg", why)) {
            pcfg_sim::on_card_lost(tell_lost);
            return true;
        }
        if (!started) {
            start_card(program, path);
            started = true;
        } else {
            usleep(20000);
        }
    }
    fprintf(stderr,
            "pcfg: no simulated card on %s (%s) and none could be started; start one with "
            "\"pcfg-card --socket %s\", or run \"pcfg --embedded\"\n",
            path.c_str(), why.c_str(), path.c_str());
    return false;
}

}  // namespace pcfg_link
