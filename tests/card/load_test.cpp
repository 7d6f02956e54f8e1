// Sixteen shells at once against one card, a thousand mixed commands each:
// every answer reaches the shell that asked, once, as the same command
// alone gets it (counter values aside); afterwards the card holds nothing
// and its memory has not grown.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <memory>
#include <regex>

#include <gtest/gtest.h>

#include "card_process.h"

namespace pcfg_card_test {
namespace {

constexpr int kShells = 16;
constexpr int kCommandsPerShell = 1000;

struct MixRow {
    const char *command;
    bool port;    // followed by "port <the shell's port>"
    bool counts;  // shows counts that grow: numbers are not compared
};

// (The current counters are left out: which of them are zero, and so not
// shown, depends on when they are asked.)
constexpr std::array<MixRow, 9> kMix{{
    {"show port-config counters", true, true},
    {"show port-config resources", true, false},
    {"show port-config credits", true, false},
    {"show port-config port-info", true, false},
    {"show port-config transceiver", true, false},
    {"show port-config timestamp", true, true},
    {"show port-config commands", false, true},
    {"show port-config history instance 0", false, false},
    {"show port-config resources", false, false},
}};

std::string command_of(size_t row, int port) {
    return kMix[row].command + (kMix[row].port ? " port " + std::to_string(port) : std::string());
}

std::string masked(const std::string &text) {
    // A number and the padding before it (its width varies with it).
    static const std::regex number("[ \t]*[0-9a-fA-Fx]*[0-9][0-9a-fA-Fx]*");
    return std::regex_replace(text, number, "#");
}

// Shell k asks about a port of its own, so an answer delivered to the
// wrong shell shows.
int port_of(int shell) { return 1 + 3 * shell; }

TEST(CardLoad, SixteenShellsAThousandCommandsEach) {
    // Memory freed under AddressSanitizer waits in its quarantine (256 MB):
    // the card's own growth shows without it.
    Card card({"ASAN_OPTIONS=quarantine_size_mb=0:thread_local_quarantine_size_kb=0"});
    // What each command gives alone.
    std::vector<std::array<std::string, kMix.size()>> alone(kShells);
    for (int k = 0; k < kShells; ++k)
        for (size_t row = 0; row < kMix.size(); ++row) {
            const Finished r = card.pcfg_c({command_of(row, port_of(k))});
            alone[k][row] = kMix[row].counts ? masked(r.out) : r.out;
        }

    std::vector<std::unique_ptr<Child>> shells;
    std::vector<std::string> outputs(kShells), expected(kShells);
    size_t expected_bytes = 0;
    for (int k = 0; k < kShells; ++k) {
        std::string input;
        for (int i = 0; i < kCommandsPerShell; ++i) {
            const size_t row = static_cast<size_t>(i * 7 + k) % kMix.size();
            input += command_of(row, port_of(k)) + "\n";
            expected[k] += alone[k][row];
        }
        expected_bytes += expected[k].size();
        shells.push_back(std::make_unique<Child>(std::vector<std::string>{pcfg_program()}, card.env()));
        shells.back()->write_input(input);
        shells.back()->close_input();
    }

    // Read every shell's output as it comes; the card's memory once about
    // the first thousand commands are answered, and at the end.
    long first_kb = -1;
    size_t read_bytes = 0;
    std::vector<bool> open(kShells, true);
    const time_t give_up = time(nullptr) + 150;
    char buf[65536];
    for (int left = kShells; left > 0 && time(nullptr) < give_up;) {
        std::vector<pollfd> fds;
        for (int k = 0; k < kShells; ++k)
            if (open[k]) fds.push_back({shells[k]->stdout_fd(), POLLIN, 0});
        if (poll(fds.data(), fds.size(), 1000) <= 0) continue;
        for (int k = 0, f = 0; k < kShells; ++k) {
            if (!open[k]) continue;
            const pollfd &p = fds[f++];
            if (p.revents == 0) continue;
            const ssize_t n = read(p.fd, buf, sizeof buf);
            if (n <= 0) {
                open[k] = false;
                --left;
                continue;
            }
            outputs[k].append(buf, static_cast<size_t>(n));
            read_bytes += static_cast<size_t>(n);
        }
        if (first_kb < 0 && read_bytes * kShells >= expected_bytes) first_kb = card.resident_kb();
    }
    const long last_kb = card.resident_kb();

    for (int k = 0; k < kShells; ++k) {
        const Finished r = shells[k]->finish(5);
        EXPECT_EQ(r.status, 0) << "shell " << k << ": " << r.err;
        // Compared command by command, so that a difference names its command.
        std::string got = outputs[k];
        for (int i = 0; i < kCommandsPerShell; ++i) {
            const size_t row = static_cast<size_t>(i * 7 + k) % kMix.size();
            const std::string &want = alone[k][row];
            const size_t lines = static_cast<size_t>(std::count(want.begin(), want.end(), '\n'));
            size_t end = 0;
            for (size_t l = 0; l < lines && end != std::string::npos; ++l) end = got.find('\n', end) + 1;
            const std::string one = got.substr(0, end);
            ASSERT_EQ(kMix[row].counts ? masked(one) : one, want)
                << "shell " << k << ", command " << i << ": " << command_of(row, port_of(k));
            got.erase(0, end);
        }
        EXPECT_EQ(got, "") << "shell " << k << " printed more than its answers";
    }
    const Finished status = card.pcfg_c({"sim status"});
    EXPECT_NE(status.out.find("open queues       1 (the shell's own included)\nheld messages     0\n"
                              "armed faults      0\nconnected shells  1\n"),
              std::string::npos)
        << status.out;
    EXPECT_GT(first_kb, 0);
    EXPECT_LE(last_kb * 10, first_kb * 11) << "resident memory grew from " << first_kb << " kB to "
                                           << last_kb << " kB";
    printf("card resident memory: %ld kB after the first thousand commands, %ld kB at the end\n",
           first_kb, last_kb);
}

}  // namespace
}  // namespace pcfg_card_test
