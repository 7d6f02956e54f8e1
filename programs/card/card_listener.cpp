#include "card_listener.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <vector>

#include "card_service.h"
#include "owned_fd.h"

namespace pcfg_card {
namespace {

constexpr int kBacklog = 64;
// Answers waiting for a shell that reads them slowly (a socket holds a few
// unread messages only); past this many it is taken for stuck.
constexpr size_t kMaxWaitingAnswers = 4096;
using pcfg_sim::link::kMaxFrame;
static_assert(kMaxFrame == 128 * 1024, "the log line below names the frame limit");

uint64_t now_ms() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<uint64_t>(t.tv_sec) * 1000 + static_cast<uint64_t>(t.tv_nsec) / 1000000;
}

__attribute__((format(printf, 1, 2))) void log_line(const char *fmt, ...) {
    char text[512];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(text, sizeof text, fmt, ap);
    va_end(ap);
    fprintf(stderr, "pcfg-card: %s\n", text);
    fflush(stderr);
}

struct Shell {
    uint32_t pid = 0;
    uint64_t until_ms = 0;  // a receive waits until then (0: none)
    std::deque<std::vector<uint8_t>> unsent;  // answers its socket had no room for yet
};

class Listener {
public:
    // The card of operators' shells keeps real time.
    Listener(int listen_fd, int signal_fd)
        : listen_(listen_fd), signals_(signal_fd), service_(now_ms(), true) {}

    void run() {
        std::vector<uint8_t> in(kMaxFrame + 1);
        while (!stopping_) {
            std::vector<pollfd> fds{{listen_, POLLIN, 0}, {signals_, POLLIN, 0}};
            for (const auto &[fd, shell] : shells_)
                fds.push_back({fd, static_cast<short>(POLLIN | (shell.unsent.empty() ? 0 : POLLOUT)), 0});
            if (poll(fds.data(), fds.size(), next_wait()) < 0 && errno != EINTR) {
                log_line("poll: %s", std::strerror(errno));
                break;
            }
            if (fds[1].revents != 0) {
                signalfd_siginfo info{};
                if (read(signals_, &info, sizeof info) == sizeof info)
                    log_line("signal %u: ending", info.ssi_signo);
                break;
            }
            if (fds[0].revents & POLLIN) accept_shell();
            for (size_t i = 2; i < fds.size(); ++i) {
                if ((fds[i].revents & POLLOUT) != 0 && !flush(fds[i].fd)) continue;
                if ((fds[i].revents & ~POLLOUT) != 0) serve(fds[i].fd, in);
            }
            wake_due();
        }
        for (const auto &[fd, shell] : shells_) {
            service_.close(fd);
            close(fd);
        }
        shells_.clear();
    }

private:
    int next_wait() const {
        uint64_t soonest = 0;
        for (const auto &[fd, shell] : shells_)
            if (shell.until_ms != 0 && (soonest == 0 || shell.until_ms < soonest)) soonest = shell.until_ms;
        if (soonest == 0) return -1;
        const uint64_t now = now_ms();
        return soonest <= now ? 0 : static_cast<int>(soonest - now);
    }

    void accept_shell() {
        const int fd = accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) return;
        ucred cred{};
        socklen_t len = sizeof cred;
        if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0 || cred.uid != getuid()) {
            log_line("refused a connection of user %u: this card serves user %u only",
                     static_cast<unsigned>(cred.uid), static_cast<unsigned>(getuid()));
            close(fd);
            return;
        }
        shells_[fd] = Shell{static_cast<uint32_t>(cred.pid), 0, {}};
        service_.open(fd, static_cast<uint32_t>(cred.pid));
    }

    void drop(int fd, const char *why) {
        if (why != nullptr) log_line("shell %u: %s; connection closed", shells_[fd].pid, why);
        service_.close(fd);
        close(fd);
        shells_.erase(fd);
    }

    void serve(int fd, std::vector<uint8_t> &in) {
        const ssize_t n = recv(fd, in.data(), in.size(), MSG_TRUNC);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
        if (n <= 0) return drop(fd, nullptr);  // the shell went away
        if (shells_[fd].until_ms != 0) return drop(fd, "frame while its receive waits");
        if (static_cast<size_t>(n) > kMaxFrame) return drop(fd, "frame longer than 128 KiB");
        answer(fd, service_.take(fd, {in.data(), static_cast<size_t>(n)}, now_ms()));
    }

    // Sends what waits for the shell, as far as its socket takes it; false
    // when the shell was dropped.
    bool flush(int fd) {
        auto &unsent = shells_[fd].unsent;
        while (!unsent.empty()) {
            const std::vector<uint8_t> &frame = unsent.front();
            if (send(fd, frame.data(), frame.size(), MSG_NOSIGNAL | MSG_DONTWAIT) ==
                static_cast<ssize_t>(frame.size())) {
                unsent.pop_front();
                continue;
            }
            if (errno == EAGAIN || errno == EINTR) break;
            // Gone: the answers of its last posted requests find no one.
            drop(fd, nullptr);
            return false;
        }
        if (unsent.size() <= kMaxWaitingAnswers) return true;
        drop(fd, "does not take its answers");
        return false;
    }

    void answer(int fd, pcfg_sim::link::CardService::Result result) {
        if (result.close) return drop(fd, result.why.c_str());
        Shell &shell = shells_[fd];
        for (auto &frame : result.answers) shell.unsent.push_back(std::move(frame));
        shell.until_ms = result.waiting ? (result.until_ms == 0 ? 1 : result.until_ms) : 0;
        if (result.stop) stopping_ = true;
        flush(fd);
    }

    void wake_due() {
        const uint64_t now = now_ms();
        std::vector<int> due;
        for (const auto &[fd, shell] : shells_)
            if (shell.until_ms != 0 && shell.until_ms <= now) due.push_back(fd);
        for (int fd : due) {
            shells_[fd].until_ms = 0;
            answer(fd, service_.wake(fd, now));
        }
    }

    int listen_;
    int signals_;
    pcfg_sim::link::CardService service_;
    std::map<int, Shell> shells_;
    bool stopping_ = false;
};

}  // namespace

int serve_card(const std::string &path, const std::function<void()> &ready) {
    // One card per socket: the lock is held for as long as the card runs.
    const std::string lock_path = path + ".lock";
    const pcfg::OwnedFd lock(open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (!lock.valid()) {
        fprintf(stderr, "pcfg-card: %s: %s\n", lock_path.c_str(), std::strerror(errno));
        return 1;
    }
    if (flock(lock.get(), LOCK_EX | LOCK_NB) != 0) {
        fprintf(stderr, "pcfg-card: a card already runs on %s\n", path.c_str());
        return 1;
    }
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof addr.sun_path) {
        fprintf(stderr, "pcfg-card: socket path too long: %s\n", path.c_str());
        return 1;
    }
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    unlink(path.c_str());  // left by a card that was killed: the lock says none runs
    const pcfg::OwnedFd listening(socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!listening.valid() || bind(listening.get(), reinterpret_cast<const sockaddr *>(&addr), sizeof addr) != 0 ||
        chmod(path.c_str(), 0600) != 0 || listen(listening.get(), kBacklog) != 0) {
        fprintf(stderr, "pcfg-card: cannot listen on %s: %s\n", path.c_str(), std::strerror(errno));
        return 1;
    }
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGHUP);
    sigprocmask(SIG_BLOCK, &set, nullptr);
    signal(SIGPIPE, SIG_IGN);
    const pcfg::OwnedFd signals(signalfd(-1, &set, SFD_CLOEXEC));
    {
        Listener listener(listening.get(), signals.get());
        ready();
        listener.run();
    }
    unlink(path.c_str());
    log_line("ended; %s removed", path.c_str());
    return 0;
}

}  // namespace pcfg_card
