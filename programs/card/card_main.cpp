// pcfg-card: the simulated line card as a process of its own, shared by
// every shell of this user.
//   pcfg-card [--socket PATH] [--daemon]   run the card (in the background with --daemon)
//   pcfg-card [--socket PATH] status       what a running card holds, and its shells
//   pcfg-card [--socket PATH] stop         end a running card
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <string>
#include <string_view>

#include "card_listener.h"
#include "card_reach_text.h"
#include "card_state_text.h"
#include "owned_fd.h"
#include "pcfg_sim.h"

namespace {

void usage(std::FILE *to) {
    fprintf(to,
            "usage: pcfg-card [--socket PATH] [--daemon | status | stop]\n"
            "Runs the simulated line card that every pcfg shell of this user shares.\n"
            "  --socket PATH  the card's socket (default: $PCFG_CARD, else \"card\" in the\n"
            "                 folder pcfg of $XDG_RUNTIME_DIR, else in /tmp/pcfg-<uid>)\n"
            "  --daemon       run in the background once it listens; log to PATH.log\n"
            "  status         show what a running card holds and which shells it serves\n"
            "  stop           end a running card\n");
}

// Descriptors 0, 1 and 2 are open before anything else is.
void standard_streams_open() {
    for (int fd = 0; fd <= 2; ++fd)
        if (fcntl(fd, F_GETFD) < 0) open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
}

std::string time_text(uint32_t seconds) {
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buf[40];
    strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S UTC", &tm);
    return buf;
}

int connect_or_say(const std::string &path) {
    std::string why;
    const pcfg_sim::Reach how = pcfg_sim::connect_card(path, "pcfg-card", why);
    if (how == pcfg_sim::Reach::Connected) return 0;
    fprintf(stderr, "pcfg-card: %s (%s)\n", pcfg_link::unreached_text(how, path).c_str(), why.c_str());
    return 1;
}

int status(const std::string &path) {
    if (connect_or_say(path) != 0) return 1;
    const auto s = pcfg_sim::card_status();
    if (!s) {
        fprintf(stderr, "pcfg-card: the card on %s did not answer\n", path.c_str());
        return 1;
    }
    printf("card              %s\n", path.c_str());
    printf("simulated time    %s\n", time_text(s->now).c_str());
    printf("front ports       %u\n", s->ports);
    pcfg_shell::print_manager_mode(s->silent, s->script, s->unlisted);
    printf("manager requests  %u handled\n", s->handled);
    printf("open queues       %u\n", s->queues);
    printf("held messages     %u\n", s->held);
    pcfg_shell::print_armed_faults(s->faults);
    printf("shells            %zu\n", s->shells.size() - 1);
    for (const pcfg_sim::ShellInfo &shell : s->shells)
        if (!shell.asker)
            printf("  pid %-8u %-10s queues %u, held messages %u\n", shell.pid,
                   shell.name.c_str(), shell.queues, shell.held);
    return 0;
}

int stop(const std::string &path) {
    if (connect_or_say(path) != 0) return 1;
    if (!pcfg_sim::stop_card()) {
        fprintf(stderr, "pcfg-card: the card on %s did not answer\n", path.c_str());
        return 1;
    }
    printf("pcfg-card: the card on %s ended\n", path.c_str());
    return 0;
}

// Runs the card in a child of its own session; returns once it listens
// (0) or failed to start (1, the child said why).
int daemonize(const std::string &path) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) return 1;
    pcfg::OwnedFd ready_in(ends[0]);
    pcfg::OwnedFd ready_out(ends[1]);
    const pid_t child = fork();
    if (child < 0) return 1;
    if (child > 0) {
        ready_out = pcfg::OwnedFd();
        char byte = 0;
        if (read(ready_in.get(), &byte, 1) != 1) {
            int st = 0;
            waitpid(child, &st, 0);
            return WIFEXITED(st) ? WEXITSTATUS(st) : 1;  // the child said why
        }
        printf("pcfg-card: listening on %s (process %d)\n", path.c_str(), static_cast<int>(child));
        return 0;
    }
    ready_in = pcfg::OwnedFd();
    setsid();
    const int status = pcfg_card::serve_card(path, [&](int log) {
        // Listening: from here on the card speaks to its log only (opened
        // beside the socket, as the card's place allows: card_place.h).
        const pcfg::OwnedFd null_fd(open("/dev/null", O_RDWR | O_CLOEXEC));
        if (null_fd.valid()) dup2(null_fd.get(), 0);
        dup2(log, 1);
        dup2(log, 2);
        const char byte = 1;
        if (write(ready_out.get(), &byte, 1) != 1) _exit(1);
        ready_out = pcfg::OwnedFd();
    }, true);
    _exit(status);
}

}  // namespace

int main(int argc, char **argv) {
    standard_streams_open();
    std::string path;
    bool background = false;
    std::string_view action;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            usage(stdout);
            return 0;
        }
        if (arg == "--socket") {
            if (i + 1 == argc) {
                fprintf(stderr, "pcfg-card: --socket needs a PATH\n");
                usage(stderr);
                return 2;
            }
            path = argv[++i];
        } else if (arg == "--daemon") {
            background = true;
        } else if ((arg == "status" || arg == "stop") && action.empty()) {
            action = arg;
        } else {
            fprintf(stderr, "pcfg-card: unknown argument %s\n", argv[i]);
            usage(stderr);
            return 2;
        }
    }
    if (path.empty()) {
        const char *named = getenv("PCFG_CARD");
        std::string why;
        path = named != nullptr && named[0] != '\0' ? named : pcfg_sim::default_card_socket(why);
        if (path.empty()) {
            fprintf(stderr, "pcfg-card: no folder for the socket: %s\n", why.c_str());
            return 1;
        }
    }
    if (action == "status") return status(path);
    if (action == "stop") return stop(path);
    if (background) return daemonize(path);
    return pcfg_card::serve_card(path, [&](int) {
        fprintf(stderr, "pcfg-card: listening on %s\n", path.c_str());
    });
}
