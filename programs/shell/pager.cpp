#include "pager.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>

#include "interrupts.h"

namespace pcfg_shell {
namespace {

constexpr std::string_view kMore = "--More--";
constexpr std::string_view kErase = "\r        \r";  // as wide as kMore

}  // namespace

void Pager::measure() {
    winsize ws{};
    const bool sized = ioctl(screen_, TIOCGWINSZ, &ws) == 0;
    const size_t lines = length_ >= 0 ? static_cast<size_t>(length_) : sized ? ws.ws_row : 0;
    width_ = sized ? ws.ws_col : 0;
    page_ = !stops_ ? 0 : lines > 1 ? lines - 1 : lines;
}

void Pager::start(bool stops) {
    stops_ = stops;
    measure();
    allowed_ = page_;
    rows_ = 0;
    column_ = 0;
    row_start_ = true;
    dropping_ = false;
    interrupted_ = false;
}

bool Pager::write(std::string_view text, const std::function<void(std::string_view)> &put) {
    if (interrupts::interrupt_pending()) {
        interrupts::take_interrupt();
        dropping_ = interrupted_ = true;
    }
    size_t i = 0;
    while (i < text.size() && !dropping_) {
        const char c = text[i];
        if (c != '\n' && width_ != 0 && column_ >= width_) {  // the terminal wraps the row
            ++rows_;
            column_ = 0;
            row_start_ = true;
        }
        if (row_start_ && page_ != 0 && rows_ >= allowed_) {
            put(text.substr(0, i));
            text.remove_prefix(i);
            i = 0;
            const Key key = wait_for_key(put);
            dropping_ = key == Key::Quit;
            measure();
            allowed_ = key == Key::Line ? 1 : page_;
            rows_ = 0;
            continue;
        }
        row_start_ = false;
        if (c == '\n') {
            ++rows_;
            column_ = 0;
            row_start_ = true;
        } else if (c == '\r') {
            column_ = 0;
        } else if (c == '\t') {
            column_ = (column_ / 8 + 1) * 8;
        } else if (static_cast<unsigned char>(c) >= 0x20 && (c & 0xC0) != 0x80) {
            ++column_;
        }
        ++i;
    }
    if (!dropping_) put(text);
    return dropping_;
}

Pager::Key Pager::wait_for_key(const std::function<void(std::string_view)> &put) {
    put(kMore);
    termios saved{};
    const bool raw = tcgetattr(keys_, &saved) == 0;
    if (raw) {
        termios t = saved;
        t.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
        t.c_cc[VMIN] = 1;
        t.c_cc[VTIME] = 0;
        tcsetattr(keys_, TCSANOW, &t);
    }
    Key key = Key::Quit;
    for (;;) {
        std::array<pollfd, 2> fds{{{keys_, POLLIN, 0}, {interrupts::wake_fd(), POLLIN, 0}}};
        const int ready = poll(fds.data(), fds[1].fd >= 0 ? 2 : 1, -1);
        if (ready < 0 && errno != EINTR) break;
        interrupts::take_resize();
        if (interrupts::take_interrupt() || interrupts::ending()) break;
        if (ready <= 0 || (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
        char c = 0;
        const ssize_t n = read(keys_, &c, 1);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n != 1 || c == 'q' || c == 'Q') break;
        if (c == ' ') {
            key = Key::Page;
            break;
        }
        if (c == '\r' || c == '\n') {
            key = Key::Line;
            break;
        }
    }
    if (raw) tcsetattr(keys_, TCSANOW, &saved);
    put(kErase);
    column_ = 0;
    return key;
}

bool Pager::finish() {
    if (interrupts::take_interrupt()) interrupted_ = true;
    return interrupted_;
}

}  // namespace pcfg_shell
