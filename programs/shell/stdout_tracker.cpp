#include "stdout_tracker.h"

#include <unistd.h>

#include <cerrno>

namespace pcfg_shell {

StdoutTracker::StdoutTracker() {
    fflush(stdout);
    original_ = stdout;
    fd_ = fileno(stdout);
    if (fd_ < 0) return;
    cookie_io_functions_t io{};
    io.write = &StdoutTracker::write_through;
    tracked_ = fopencookie(this, "w", io);
    if (tracked_ == nullptr) return;  // untracked: output still flows
    setvbuf(tracked_, nullptr, isatty(fd_) ? _IOLBF : _IOFBF, BUFSIZ);
    stdout = tracked_;
}

StdoutTracker::~StdoutTracker() {
    if (tracked_ == nullptr) return;
    fflush(tracked_);
    if (stdout == tracked_) stdout = original_;
    fclose(tracked_);
}

void StdoutTracker::fresh_line() {
    fflush(stdout);
    if (tracked_ != nullptr && !at_line_start_) {
        putchar('\n');
        fflush(stdout);
    }
}

void StdoutTracker::line_echoed() {
    fflush(stdout);
    at_line_start_ = true;
}

ssize_t StdoutTracker::write_through(void *cookie, const char *buf, size_t size) {
    auto *self = static_cast<StdoutTracker *>(cookie);
    size_t done = 0;
    while (done < size) {
        const ssize_t n = write(self->fd_, buf + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    if (done > 0) self->at_line_start_ = buf[done - 1] == '\n';
    return done > 0 || size == 0 ? static_cast<ssize_t>(done) : -1;
}

}  // namespace pcfg_shell
