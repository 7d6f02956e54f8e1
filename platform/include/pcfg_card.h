// The card's side of its socket (the program pcfg-card): every connected
// shell's frames, answered from the simulated card in this process. The
// socket itself is the program's; this takes bytes and gives bytes, so the
// fuzzer and the tests drive it directly.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <span>
#include <string>
#include <vector>

namespace pcfg_sim {

class CardService {
public:
    // What became of one frame.
    struct Result {
        std::vector<std::vector<uint8_t>> answers;  // to send back, in order
        bool close = false;   // malformed: end this shell's connection
        std::string why;      // the log line saying why
        bool waiting = false; // a receive waits for a message until `until_ms`
        uint64_t until_ms = 0;
        bool stop = false;    // the card is asked to end
    };

    // Starts the card: on the event log it finds, logging its start-up
    // configuration into an empty one. Its simulated time starts at
    // `wall_clock` (seconds since the epoch; 0: the fixed start) and runs
    // with `now_ms` (a monotonic clock in milliseconds); a reset starts it
    // at the wall clock again.
    CardService(uint64_t now_ms, bool wall_clock);

    // A shell connected (its process id and user from the socket).
    void open(int client, uint32_t pid);
    // One frame of a shell.
    Result take(int client, std::span<const uint8_t> frame, uint64_t now_ms);
    // The wait of a shell's receive ran out: answers it.
    Result wake(int client, uint64_t now_ms);
    // A shell went away: its queues close and the messages it held go.
    void close(int client);

    size_t shells() const { return clients_.size(); }

private:
    struct Waiting {
        int handle = -1;
        std::vector<uint32_t> options;
    };
    struct Client {
        uint32_t pid = 0;
        std::string name;
        std::set<int> queues;  // bound by this shell and not closed since
        std::set<int> bound;   // every queue this shell ever bound
        Waiting waiting;
    };

    Result serve(Client &c, int client, std::span<const uint8_t> frame, uint64_t now_ms);
    void catch_up(uint64_t now_ms);
    bool owns(const Client &c, int handle) const;
    std::vector<uint8_t> receive(Client &c, int handle, const uint32_t *options);

    std::map<int, Client> clients_;
    uint64_t tick_ms_;
    bool wall_clock_;
};

}  // namespace pcfg_sim
