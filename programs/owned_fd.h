// A file descriptor owned where it is opened: closed when its owner goes out
// of scope, so that every early return releases it.
#pragma once

#include <unistd.h>

#include <utility>

namespace pcfg {

class OwnedFd {
public:
    OwnedFd() = default;
    explicit OwnedFd(int fd) : fd_(fd) {}
    ~OwnedFd() {
        if (fd_ >= 0) close(fd_);
    }
    OwnedFd(OwnedFd &&o) noexcept : fd_(std::exchange(o.fd_, -1)) {}
    OwnedFd &operator=(OwnedFd &&o) noexcept {
        if (this != &o) {
            if (fd_ >= 0) close(fd_);
            fd_ = std::exchange(o.fd_, -1);
        }
        return *this;
    }
    OwnedFd(const OwnedFd &) = delete;
    OwnedFd &operator=(const OwnedFd &) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Hands the descriptor on: the caller closes it.
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_ = -1;
};

}  // namespace pcfg
