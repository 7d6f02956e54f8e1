// What a shell is told when it has no card, and the card's bounds met one
// at a time: descriptors that run out, a status answer too large for a
// frame.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <memory>

#include <gtest/gtest.h>

#include "card_process.h"
#include "raw_client.h"

namespace pcfg_card_test {
namespace {

using namespace pcfg_sim::link;

bool has(const std::string &text, const std::string &part) { return text.find(part) != std::string::npos; }

size_t count_of(const std::string &text, const std::string &part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

// What a test holds of the card (connections, descriptors) until it ends.
struct Held {
    std::vector<std::unique_ptr<RawClient>> clients;
    std::vector<int> fds;
    ~Held() {
        for (const int fd : fds) close(fd);
    }
};

// Connections to the card, opened until it refuses one; the refusal.
std::string connect_until_refused(const Card &card, std::vector<std::unique_ptr<RawClient>> &held) {
    for (int i = 0; i < 200; ++i) {
        held.push_back(std::make_unique<RawClient>(card.socket()));
        if (auto why = held.back()->refusal(held.size() > 40 ? 300 : 0)) return *why;
    }
    return "never refused";
}

// Each way of having no card, as pcfg says it (with -c and on a pipe): the
// line, and the exit status.
TEST(CardReach, TheShellSaysWhyItHasNoCard) {
    struct Case {
        const char *what;
        // Sets the place up: the line expected (%s: the socket), the status.
        std::function<std::pair<std::string, int>(Card &, Held &)> set_up;
        bool both_ways = true;
        int owner = -1;
    };
    const Case cases[] = {
        {"none could be started",
         [](Card &card, Held &held) {
             card.terminate();  // and its lock taken as a card that is starting holds it
             held.fds.push_back(open((card.socket() + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
             flock(held.fds.back(), LOCK_EX);
             return std::pair{"no card on %s (No such file or directory), and none could be started: a card "
                              "already runs on %s; start one with \"pcfg-card --socket %s\", or run "
                              "\"pcfg --embedded\"",
                              1};
         }},
        {"a file at the path",
         [](Card &card, Held &) {
             card.terminate();
             FILE *f = fopen(card.socket().c_str(), "w");
             fputs("important\n", f);
             fclose(f);
             return std::pair{"no card on %s, and none can be started there: %s is a regular file, not a "
                              "card's socket; left as it is",
                              1};
         }},
        {"full",
         [](Card &card, Held &held) {
             EXPECT_EQ(connect_until_refused(card, held.clients), "it serves 64 shells already");
             return std::pair{"the card on %s is full (it serves 64 shells already)", 1};
         }},
        {"another user's card",
         [](Card &, Held &) { return std::pair{"the card on %s refused this user (it serves user 65534 only)", 1}; },
         true, 65534},
        {"its queue of connections full",
         [](Card &card, Held &held) {
             kill(card.pid(), SIGSTOP);
             sockaddr_un addr{};
             addr.sun_family = AF_UNIX;
             std::strcpy(addr.sun_path, card.socket().c_str());
             for (int i = 0; i < 200; ++i) {
                 held.fds.push_back(socket(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
                 if (connect(held.fds.back(), reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0) break;
             }
             return std::pair{"the card on %s did not answer in time (its queue of connections stayed full "
                              "for 5 seconds)",
                              1};
         },
         false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        if (c.owner >= 0 && geteuid() != 0) {
            printf("(%s: not run, it needs root to start a card of another user)\n", c.what);
            continue;
        }
        std::vector<std::string> prefix;
        if (c.owner >= 0)
            prefix = {"/usr/bin/setpriv", "--reuid=" + std::to_string(c.owner),
                      "--regid=" + std::to_string(c.owner), "--clear-groups"};
        Card card({}, prefix, c.owner);
        Held held;
        const auto [line, status] = c.set_up(card, held);
        std::string want = "pcfg: " + line + "\n";
        for (size_t at; (at = want.find("%s")) != std::string::npos;) want.replace(at, 2, card.socket());
        const time_t start = time(nullptr);
        for (const bool piped : {false, true}) {
            if (piped && !c.both_ways) continue;
            const Finished r = piped ? card.pcfg_piped({"show port-config commands"})
                                     : card.pcfg_c({"show port-config commands"});
            EXPECT_EQ(r.err, want) << (piped ? "piped" : "-c");
            EXPECT_EQ(r.status, status) << (piped ? "piped" : "-c");
            EXPECT_EQ(r.out, "");
        }
        EXPECT_LE(time(nullptr) - start, 8) << "each attempt is bounded in time";
        kill(card.pid(), SIGCONT);
        if (std::string(c.what) == "a file at the path") {
            FILE *f = fopen(card.socket().c_str(), "r");
            char text[16] = {};
            EXPECT_TRUE(f != nullptr && fgets(text, sizeof text, f) != nullptr);
            EXPECT_STREQ(text, "important\n") << "left as it was";
            if (f != nullptr) fclose(f);
            unlink(card.socket().c_str());
        }
    }
}

// With no descriptor left, the card refuses new connections in one line
// and goes on serving; it does not spin on the connections it cannot take.
TEST(CardBounds, DescriptorsRunningOutNeitherSpinNorStall) {
    Card card({}, {"/usr/bin/prlimit", "--nofile=40", "--"});
    Child shell({pcfg_program()}, card.env());
    shell.write_input("show port-config commands\n");
    ASSERT_TRUE(shell.read_until("cmds processed: 1\n", 10));
    std::vector<std::unique_ptr<RawClient>> held;
    EXPECT_EQ(connect_until_refused(card, held), "it has no file descriptor left");
    for (int i = 0; i < 100; ++i) held.push_back(std::make_unique<RawClient>(card.socket()));
    const long before = card.cpu_ticks();
    usleep(1000000);
    EXPECT_LE(card.cpu_ticks() - before, 10) << "processor time of the card in a second, in ticks";
    shell.write_input("show port-config commands\n");
    EXPECT_TRUE(shell.read_until("cmds processed: 2\n", 10)) << "a shell it serves is served";
    held.clear();
    EXPECT_EQ(card.pcfg_c({"show port-config commands"}).out, "cmds processed: 3\n");
    shell.finish();
    const Finished ended = card.terminate();
    EXPECT_EQ(count_of(ended.err, "out of file descriptors"), 1u) << ended.err;
}

// Scripted answers too many to list in one frame: the status lists what
// fits and says how many it left out.
TEST(CardBounds, AStatusAnswerStaysWithinAFrame) {
    Card card;
    RawClient client(card.socket());
    const pcfg_sim::Reply big{pcfg_sim::Reply::Kind::Answer, 0, std::vector<uint8_t>(kMaxFrame / 2, 7)};
    const pcfg_sim::Reply too_big{pcfg_sim::Reply::Kind::Answer, 0, std::vector<uint8_t>(kMaxFrame / 2 + 1, 7)};
    EXPECT_EQ(client.ask<ScriptOp>(too_big)->value, -1) << "its answer could not be received";
    for (int i = 0; i < 5; ++i) ASSERT_EQ(client.ask<ScriptOp>(big)->value, 0);
    const Finished status = card.card_command("status");
    EXPECT_EQ(status.status, 0) << status.err;
    EXPECT_EQ(count_of(status.out, "next answer carries 65536 payload bytes"), 1u) << status.out;
    EXPECT_TRUE(has(status.out, "  then            4 more scripted answers, not listed (the card's answer "
                                "has a size limit)\n"))
        << status.out;
}

}  // namespace
}  // namespace pcfg_card_test
