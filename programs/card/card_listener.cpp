#include "card_listener.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <set>
#include <vector>

#include "card_place.h"
#include "card_service.h"
#include "owned_fd.h"
#include "transport.h"

namespace pcfg_card {
namespace {

using pcfg_sim::link::kMaxFrame;
using pcfg_sim::link::Refusal;

constexpr int kBacklog = 64;
// Connections taken at one wake-up, so that a flood of them cannot keep the
// card from the shells it serves.
constexpr int kAcceptsPerWake = 16;
// How long the card stops taking connections when it has no descriptor
// even to refuse one.
constexpr uint64_t kAcceptPauseMs = 1000;
// Other users whose refused connections the log names (the first of each).
constexpr size_t kRefusedUsersLogged = 16;
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

// Tells a connection why the card will not serve it, and closes it.
void refuse(int fd, Refusal reason, const std::string &text) {
    const std::vector<uint8_t> frame =
        pcfg_sim::link::answer_frame<pcfg_sim::link::RefusedOp>({reason, text});
    if (send(fd, frame.data(), frame.size(), MSG_NOSIGNAL | MSG_DONTWAIT) < 0) {
        // It gets the end of the connection alone.
    }
    close(fd);
}

struct Shell {
    uint32_t pid = 0;
    uint64_t until_ms = 0;  // a receive waits until then (0: none)
    std::deque<std::vector<uint8_t>> unsent;  // answers its socket had no room for yet
    size_t unsent_bytes = 0;
};

class Listener {
public:
    // The card of operators' shells keeps real time.
    Listener(int listen_fd, int signal_fd)
        : listen_(listen_fd), signals_(signal_fd), spare_(open("/dev/null", O_RDONLY | O_CLOEXEC)),
          service_(now_ms(), true) {}

    void run() {
        std::vector<uint8_t> in(kMaxFrame + 1);
        while (!stopping_) {
            const bool accepting = paused_until_ms_ <= now_ms();
            std::vector<pollfd> fds{{listen_, static_cast<short>(accepting ? POLLIN : 0), 0},
                                    {signals_, POLLIN, 0}};
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
            if (fds[0].revents & POLLIN) accept_shells();
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
        uint64_t soonest = paused_until_ms_;
        for (const auto &[fd, shell] : shells_)
            if (shell.until_ms != 0 && (soonest == 0 || shell.until_ms < soonest)) soonest = shell.until_ms;
        if (soonest == 0) return -1;
        const uint64_t now = now_ms();
        return soonest <= now ? 0 : static_cast<int>(soonest - now);
    }

    void accept_shells() {
        for (int n = 0; n < kAcceptsPerWake; ++n) {
            const int fd = accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (fd >= 0) {
                admit(fd);
            } else if (errno == EMFILE || errno == ENFILE) {
                return out_of_descriptors();
            } else if (errno != EINTR && errno != ECONNABORTED) {
                return;  // none waiting
            }
        }
    }

    void admit(int fd) {
        out_of_fds_logged_ = false;
        ucred cred{};
        socklen_t len = sizeof cred;
        if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0 || cred.uid != getuid()) {
            // Once per user: another user's connections cannot fill the log.
            if (refused_users_.size() < kRefusedUsersLogged && refused_users_.insert(cred.uid).second)
                log_line("refused a connection of user %u: this card serves user %u only",
                         static_cast<unsigned>(cred.uid), static_cast<unsigned>(getuid()));
            return refuse(fd, Refusal::OtherUser,
                          "it serves user " + std::to_string(getuid()) + " only");
        }
        if (shells_.size() >= pcfg_sim::card::kMaxClients) {
            if (!full_logged_)
                log_line("serves %d shells, as many as it may: refusing new connections until one leaves",
                         pcfg_sim::card::kMaxClients);
            full_logged_ = true;
            return refuse(fd, Refusal::Full,
                          "it serves " + std::to_string(pcfg_sim::card::kMaxClients) + " shells already");
        }
        shells_[fd] = Shell{static_cast<uint32_t>(cred.pid), 0, {}, 0};
        service_.open(fd, static_cast<uint32_t>(cred.pid));
    }

    // No descriptor for a new connection: the spare one kept for this is
    // given up to take the connection and refuse it, so that the shell
    // hears why and the connection leaves the queue; without even that,
    // the card stops taking connections for a while rather than wake for
    // them again at once.
    void out_of_descriptors() {
        if (!out_of_fds_logged_)
            log_line("out of file descriptors: new connections are refused until some are free");
        out_of_fds_logged_ = true;
        if (spare_.valid()) {
            spare_ = pcfg::OwnedFd();
            const int fd = accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (fd >= 0) refuse(fd, Refusal::Full, "it has no file descriptor left");
            spare_ = pcfg::OwnedFd(open("/dev/null", O_RDONLY | O_CLOEXEC));
            if (fd >= 0 && spare_.valid()) return;
        }
        paused_until_ms_ = now_ms() + kAcceptPauseMs;
    }

    void drop(int fd, const char *why) {
        if (why != nullptr) log_line("shell %u: %s; connection closed", shells_[fd].pid, why);
        service_.close(fd);
        close(fd);
        shells_.erase(fd);
        if (shells_.size() < pcfg_sim::card::kMaxClients) full_logged_ = false;
        paused_until_ms_ = 0;  // a descriptor is free again
        if (!spare_.valid()) spare_ = pcfg::OwnedFd(open("/dev/null", O_RDONLY | O_CLOEXEC));
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
        Shell &shell = shells_[fd];
        while (!shell.unsent.empty()) {
            const std::vector<uint8_t> &frame = shell.unsent.front();
            if (send(fd, frame.data(), frame.size(), MSG_NOSIGNAL | MSG_DONTWAIT) ==
                static_cast<ssize_t>(frame.size())) {
                shell.unsent_bytes -= frame.size();
                shell.unsent.pop_front();
                continue;
            }
            if (errno == EAGAIN || errno == EINTR) break;
            // Gone: the answers of its last posted requests find no one.
            drop(fd, nullptr);
            return false;
        }
        using pcfg_sim::link::kUnreadAnswerBytes;
        using pcfg_sim::link::kUnreadAnswers;
        if (shell.unsent.size() <= kUnreadAnswers && shell.unsent_bytes <= kUnreadAnswerBytes) return true;
        char why[128];
        snprintf(why, sizeof why, "leaves more than %zu answers or %zu KiB of them unread",
                 kUnreadAnswers, kUnreadAnswerBytes / 1024);
        drop(fd, why);
        return false;
    }

    void answer(int fd, pcfg_sim::link::CardService::Result result) {
        if (result.close) return drop(fd, result.why.c_str());
        Shell &shell = shells_[fd];
        if (!result.why.empty()) log_line("shell %u: %s", shell.pid, result.why.c_str());
        for (auto &frame : result.answers) {
            shell.unsent_bytes += frame.size();
            shell.unsent.push_back(std::move(frame));
        }
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
    pcfg::OwnedFd spare_;  // given up to refuse a connection when no descriptor is left
    pcfg_sim::link::CardService service_;
    std::map<int, Shell> shells_;
    bool stopping_ = false;
    bool full_logged_ = false;       // the bound of shells, logged once until one leaves
    bool out_of_fds_logged_ = false; // no descriptor left, logged once until one is taken again
    uint64_t paused_until_ms_ = 0;   // no connection is taken before then
    std::set<uid_t> refused_users_;  // other users whose connections were refused, logged once each
};

}  // namespace

int serve_card(const std::string &path, const std::function<void(int log)> &ready, bool with_log) {
    int status = 0;
    std::optional<CardPlace> place = CardPlace::claim(path, with_log, status);
    if (!place) return status;
    const pcfg::OwnedFd listening(socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!listening.valid()) {
        fprintf(stderr, "pcfg-card: cannot make a socket: %s\n", std::strerror(errno));
        return 1;
    }
    if (!place->listen_on(listening.get(), kBacklog)) return 1;
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
        ready(place->log());
        listener.run();
    }
    place.reset();
    log_line("ended; %s removed", path.c_str());
    return 0;
}

}  // namespace pcfg_card
