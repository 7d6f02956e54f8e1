// Reading a child's output in tests, bounded in time.
#pragma once

#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>

namespace pcfg_test {

// Reads from a descriptor into `text` until `done(text)` holds, the
// descriptor ends or the time is up; whether `done` came to hold.
inline bool read_until(int fd, std::string &text, std::chrono::milliseconds limit,
                       const std::function<bool(const std::string &)> &done) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!done(text)) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            until - std::chrono::steady_clock::now());
        pollfd p{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
        char buf[4096];
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n <= 0) return false;
        text.append(buf, static_cast<size_t>(n));
    }
    return true;
}

}  // namespace pcfg_test
