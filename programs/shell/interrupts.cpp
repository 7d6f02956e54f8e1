#include "interrupts.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>

namespace pcfg_shell::interrupts {
namespace {

volatile sig_atomic_t g_interrupt = 0;
volatile sig_atomic_t g_resize = 0;
volatile sig_atomic_t g_ending = 0;
volatile sig_atomic_t g_suspend = 0;
std::array<int, 2> g_pipe{-1, -1};

void on_signal(int sig) {
    const int saved = errno;
    if (sig == SIGINT || sig == SIGQUIT) g_interrupt = 1;
    if (sig == SIGTSTP) g_suspend = 1;
    if (sig == SIGWINCH) g_resize = 1;
    if (sig == SIGHUP || sig == SIGTERM) g_ending = 1;
    const char byte = 0;
    if (g_pipe[1] >= 0) (void)!write(g_pipe[1], &byte, 1);
    errno = saved;
}

void handle(int sig, void (*handler)(int)) {
    struct sigaction sa {};
    sa.sa_handler = handler;
    sa.sa_flags = SA_RESTART;  // the library's own waits go on
    sigemptyset(&sa.sa_mask);
    sigaction(sig, &sa, nullptr);
}

void drain() {
    char buf[64];
    while (g_pipe[0] >= 0 && read(g_pipe[0], buf, sizeof buf) > 0) {
    }
}

}  // namespace

bool install() {
    if (g_pipe[0] >= 0) return true;
    if (pipe2(g_pipe.data(), O_NONBLOCK | O_CLOEXEC) != 0) {
        g_pipe = {-1, -1};
        return false;
    }
    for (int sig : {SIGINT, SIGQUIT, SIGWINCH, SIGHUP, SIGTERM}) handle(sig, on_signal);
    return true;
}

int wake_fd() { return g_pipe[0]; }

void forget() {
    drain();
    g_interrupt = 0;
    g_resize = 0;
}

bool take_interrupt() {
    drain();
    const bool was = g_interrupt != 0;
    g_interrupt = 0;
    return was;
}

bool interrupt_pending() { return g_interrupt != 0; }

bool take_resize() {
    drain();
    const bool was = g_resize != 0;
    g_resize = 0;
    return was;
}

bool take_suspend() {
    drain();
    const bool was = g_suspend != 0;
    g_suspend = 0;
    return was;
}

bool ending() { return g_ending != 0; }

void catch_suspend(bool noted) {
    // A shell started with Ctrl-Z ignored (no job control above it) keeps
    // ignoring it.
    static const bool ignored = [] {
        struct sigaction old {};
        return sigaction(SIGTSTP, nullptr, &old) == 0 && old.sa_handler == SIG_IGN;
    }();
    g_suspend = 0;
    if (!ignored) handle(SIGTSTP, noted ? on_signal : SIG_DFL);
}

void suspend_now() {
    handle(SIGTSTP, SIG_DFL);
    raise(SIGTSTP);  // stops here until continued
    handle(SIGTSTP, on_signal);
}

}  // namespace pcfg_shell::interrupts
