// The card's side of its socket (the program pcfg-card): every connected
// shell's frames, answered from the simulated card in this process. The
// socket itself is the program's; this takes bytes and gives bytes, so the
// fuzzer and the tests drive it directly.
//
// What each shell holds is kept in two places: the card's transport counts
// the queues and messages it owns (card::holdings), and the service keeps
// the rest of the shell's state here (Client).
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "frames.h"

namespace pcfg_sim::link {

// What one shell may leave unread: answers the card has not yet handed to
// its socket (past either bound the card ends the connection). The other
// bounds of a shell are the transport's (transport.h).
inline constexpr size_t kUnreadAnswers = 64;
inline constexpr size_t kUnreadAnswerBytes = 512 * 1024;
// The largest payload a scripted answer may carry: its receive's answer
// stays within a frame.
inline constexpr size_t kMaxScriptedPayload = kMaxFrame / 2;

class CardService {
public:
    // What became of one frame.
    struct Result {
        std::vector<std::vector<uint8_t>> answers;  // to send back, in order
        bool close = false;   // malformed: end this shell's connection
        std::string why;      // the log line saying why (without close: a bound it reached)
        bool waiting = false; // a receive waits for a message until `until_ms`
        uint64_t until_ms = 0;
        bool stop = false;    // the card is asked to end
    };

    // A connected shell, as the service knows it.
    struct Client {
        uint32_t pid = 0;  // from the socket's peer credentials
        std::string name;  // from its hello
        // The receive it waits in (handle -1: none).
        int wait_handle = -1;
        Given<std::array<uint32_t, 10>> wait_options;
        // The bounds it reached, each logged once (Bound bits).
        unsigned bounds_logged = 0;
    };

    // Starts the card: on the event log it finds, logging its start-up
    // configuration into an empty one. Its simulated time starts at the
    // time of day (`wall_clock`; else at the fixed start) and runs with
    // `now_ms` (a monotonic clock in milliseconds); a restart starts it at
    // the time of day again.
    CardService(uint64_t now_ms, bool wall_clock);

    // A shell connected (its process id from the socket).
    void open(int client, uint32_t pid);
    // One frame of a shell.
    Result take(int client, std::span<const uint8_t> frame, uint64_t now_ms);
    // The wait of a shell's receive ran out: answers it.
    Result wake(int client, uint64_t now_ms);
    // A shell went away: its queues close and the messages it held go.
    void close(int client);

    size_t shells() const { return clients_.size(); }
    const std::map<int, Client> &clients() const { return clients_; }

private:
    void catch_up(uint64_t now_ms);

    std::map<int, Client> clients_;
    uint64_t tick_ms_;
};

}  // namespace pcfg_sim::link
