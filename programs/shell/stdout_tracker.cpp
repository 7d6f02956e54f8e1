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

void StdoutTracker::set_filter(OutputFilter *filter) {
    fflush(stdout);
    if (filter_ != nullptr) filter_->finish();
    filter_ = filter;
    if (filter_ != nullptr) filter_->set_sink(&StdoutTracker::emit, this);
}

ssize_t StdoutTracker::write_through(void *cookie, const char *buf, size_t size) {
    auto *self = static_cast<StdoutTracker *>(cookie);
    if (self->filter_ != nullptr)
        self->filter_->write({buf, size});
    else
        emit(self, {buf, size});
    return self->error_ == 0 ? static_cast<ssize_t>(size) : -1;
}

// Output past the filters: to the pager, or straight to the descriptor.
void StdoutTracker::emit(void *cookie, std::string_view text) {
    auto *self = static_cast<StdoutTracker *>(cookie);
    if (self->pager_ == nullptr) return self->put(text);
    self->pager_->write(text, [self](std::string_view part) { self->put(part); });
    self->at_line_start_ = self->pager_->at_line_start();
}

// Writes to the descriptor; after the first failure nothing more is tried.
void StdoutTracker::put(std::string_view text) {
    size_t done = 0;
    while (done < text.size() && error_ == 0) {
        const ssize_t n = write(fd_, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) error_ = n < 0 ? errno : EIO;
        if (n > 0) done += static_cast<size_t>(n);
    }
    if (done > 0) at_line_start_ = text[done - 1] == '\n';
}

}  // namespace pcfg_shell
