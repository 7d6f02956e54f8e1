// A client of the card that speaks the frames itself, as a careless or
// hostile program of the user could: it sends what it likes and reads only
// when it wants to.
#pragma once

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "frames.h"

namespace pcfg_card_test {

class RawClient {
public:
    explicit RawClient(const std::string &path) {
        fd_ = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
        if (connect(fd_, reinterpret_cast<const sockaddr *>(&addr), sizeof addr) != 0) close_now();
    }
    ~RawClient() { close_now(); }
    RawClient(const RawClient &) = delete;
    RawClient &operator=(const RawClient &) = delete;

    bool open() const { return fd_ >= 0; }
    void close_now() {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
    }

    // Sends a request without waiting (false: the card no longer takes it).
    template <class O>
    bool post(const typename O::Request &request) {
        const std::vector<uint8_t> frame = pcfg_sim::link::request_frame<O>(request);
        return fd_ >= 0 && send(fd_, frame.data(), frame.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(frame.size());
    }
    // The next frame within `ms` (empty: none, or the connection ended).
    std::vector<uint8_t> next_frame(int ms) {
        pollfd p{fd_, POLLIN, 0};
        if (fd_ < 0 || poll(&p, 1, ms) <= 0) return {};
        std::vector<uint8_t> frame(pcfg_sim::link::kMaxFrame + 1);
        const ssize_t n = recv(fd_, frame.data(), frame.size(), 0);
        frame.resize(n > 0 ? static_cast<size_t>(n) : 0);
        return frame;
    }
    // A request and its answer (none when the card did not give one).
    template <class O>
    std::optional<typename O::Answer> ask(const typename O::Request &request) {
        if (!post<O>(request)) return std::nullopt;
        frame_ = next_frame(5000);
        typename O::Answer answer{};
        pcfg_sim::link::FrameReader r(frame_);
        if (!r.get(answer).done()) return std::nullopt;
        return answer;
    }
    // The card's refusal, when its first frame is one.
    std::optional<std::string> refusal(int ms) {
        frame_ = next_frame(ms);
        pcfg_sim::link::RefusalBody body;
        pcfg_sim::link::FrameReader r(frame_);
        if ((r.op() & pcfg_sim::link::kOpMask) != static_cast<uint8_t>(pcfg_sim::link::Op::Refused) ||
            !r.get(body).done())
            return std::nullopt;
        return std::string(body.text);
    }

private:
    int fd_ = -1;
    std::vector<uint8_t> frame_;  // the last frame read: answers point into it
};

}  // namespace pcfg_card_test
