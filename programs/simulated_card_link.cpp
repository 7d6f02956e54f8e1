// How pcfg reaches the card process every shell of the user shares: the
// running card on $PCFG_CARD or the default socket, started in the
// background when none runs there, and reached again after it was lost. It
// is the shell's simulated card's part (simulated_card.h) that only pcfg
// links.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "pcfg_sim.h"
#include "simulated_card.h"

namespace pcfg {
namespace {

constexpr const char *kCardProgram = "pcfg-card";
constexpr int kConnectTries = 50;  // while a card started beside us comes up

std::string g_path;  // the card's socket, once linked

// The one way this program connects to the card, first and again.
bool connect(std::string &why) { return pcfg_sim::connect_card(g_path, "pcfg", why); }

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
    bool started = false;
    for (int attempt = 0; attempt < kConnectTries; ++attempt) {
        if (connect(why)) return true;
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

// The line that says the card was lost, and how to start one.
std::string gone_line() {
    return "The card on " + g_path + " is gone; start one with \"pcfg-card --socket " + g_path +
           " --daemon\" and the next command reconnects";
}

// Connects again to the card's socket after the card was lost, starting
// none: true when a card answers there. `said` tells the operator so, or
// that the card is still gone.
bool relink(std::string &said) {
    std::string why;
    const bool back = connect(why);
    said = back ? "Reconnected to a new card on " + g_path : gone_line();
    return back;
}

}  // namespace

CardLink shared_card_link() { return {link_to_card, gone_line, relink}; }

}  // namespace pcfg
