// The round trip of one exchange with the card against a bare
// SOCK_SEQPACKET round trip between two processes of this machine.
//
//   card_roundtrip ROUNDS SOCKET
// The bare round trip: a 64-byte message to a child process that sends it
// straight back. The card's: get_total_lc_front_ports (one request frame,
// one answer frame, the card's own work included), and for scale the
// manager's conversation the library holds per command (send a report
// request, receive the answer, release it). Medians of 15 batches, in
// microseconds.
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "pcfg_platform.h"
#include "pcfg_sim.h"

namespace {

constexpr int kBatches = 15;
constexpr mts_addr_t kManager{0xfe000000u, 902u};
constexpr std::array<uint32_t, 6> kBindOptions MTS_CLIENT_BIND_OPTIONS;
constexpr std::array<uint32_t, 10> kRecvOptions{1, 0, 3, 0, 0, 0, 0, 0, 0, 0};
constexpr std::array<uint8_t, 8> kCommandsRequest{1, 0, 0, 0, 0, 0, 0, 0};

double now_us() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) / 1e3;
}

template <typename F>
double median_us(int rounds, F &&once) {
    std::vector<double> per;
    for (int b = 0; b < kBatches; ++b) {
        const double start = now_us();
        for (int i = 0; i < rounds; ++i) once();
        per.push_back((now_us() - start) / rounds);
    }
    std::sort(per.begin(), per.end());
    return per[per.size() / 2];
}

double bare_round_trip(int rounds) {
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_SEQPACKET, 0, pair) != 0) return -1;
    const pid_t echo = fork();
    if (echo == 0) {
        close(pair[0]);
        char buf[256];
        for (ssize_t n; (n = recv(pair[1], buf, sizeof buf, 0)) > 0;)
            if (send(pair[1], buf, static_cast<size_t>(n), 0) != n) break;
        _exit(0);
    }
    close(pair[1]);
    char msg[64] = {};
    const double us = median_us(rounds, [&] {
        if (send(pair[0], msg, sizeof msg, 0) != sizeof msg || recv(pair[0], msg, sizeof msg, 0) <= 0)
            abort();
    });
    close(pair[0]);
    waitpid(echo, nullptr, 0);
    return us;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: card_roundtrip ROUNDS SOCKET\n");
        return 2;
    }
    const int rounds = std::atoi(argv[1]);
    const double bare = bare_round_trip(rounds);
    std::string why;
    if (pcfg_sim::connect_card(argv[2], "card_roundtrip", why) != pcfg_sim::Reach::Connected) {
        fprintf(stderr, "card_roundtrip: no card on %s (%s)\n", argv[2], why.c_str());
        return 1;
    }
    const double card = median_us(rounds, [] {
        if (get_total_lc_front_ports() <= 0) abort();
    });
    const int queue = mts_bind(2, -1, kBindOptions.data(), "card_roundtrip");
    const double conversation = median_us(rounds, [queue] {
        mts_msg_t answer{};
        if (mts_send(queue, &kManager, 435, kCommandsRequest.data(), kCommandsRequest.size(),
                     nullptr, 0, 0) != 0 ||
            mts_recv(queue, &answer, kRecvOptions.data()) != 0 || mts_drop(queue, &answer) != 0)
            abort();
    });
    mts_unbind(queue, 0);
    printf("bare round trip      %.1f us\n", bare);
    printf("card round trip      %.1f us\n", card);
    printf("manager conversation %.1f us (send, receive, release)\n", conversation);
    printf("ratio %.2f\n", card / bare);
    return 0;
}
