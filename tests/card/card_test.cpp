// The card as a process of its own, with real shells against it: state
// that lasts across shells, shells and cards that die mid-exchange, and
// frames the card must not trust.
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <memory>

#include <gtest/gtest.h>

#include "card_process.h"

namespace pcfg_card_test {
namespace {

std::string last_line(const std::string &text) {
    const size_t end = text.find_last_not_of('\n');
    const size_t start = text.rfind('\n', end);
    return text.substr(start == std::string::npos ? 0 : start + 1, end - start);
}

bool has(const std::string &text, const std::string &part) {
    return text.find(part) != std::string::npos;
}

// What the card holds once every shell but the asking one is gone.
void expect_nothing_held(const Card &card) {
    const Finished status = card.pcfg_c({"sim status"});
    EXPECT_TRUE(has(status.out, "open queues       1 (the shell's own included)\n")) << status.out;
    EXPECT_TRUE(has(status.out, "held messages     0\n")) << status.out;
    EXPECT_TRUE(has(status.out, "connected shells  1\n")) << status.out;
}

// Starts a shell on a FEC change that the silent manager never answers, and
// returns once the shell waits: its sent request is held in the card.
std::unique_ptr<Child> shell_waiting_for_fec(const Card &card, Child::Io io = Child::Io::Pipes,
                                             const std::vector<std::string> &more_env = {}) {
    card.pcfg_c({"sim manager silent"});
    std::vector<std::string> env = card.env();
    env.insert(env.end(), more_env.begin(), more_env.end());
    auto shell = std::make_unique<Child>(std::vector<std::string>{pcfg_program()}, env, io);
    shell->write_input("debug port-config fec port 3 state 2\n");
    for (int i = 0; i < 200; ++i) {
        if (has(card.card_command("status").out, "queues 1, held messages 1\n")) return shell;
        usleep(20000);
    }
    ADD_FAILURE() << "the shell never waited for its answer";
    return shell;
}

TEST(CardProcess, StateLastsAcrossShells) {
    Card card;
    EXPECT_TRUE(has(last_line(card.pcfg_c({"show port-config history instance 6"}).out), "fc1/4"));
    const Finished fec = card.pcfg_c({"debug port-config fec port 3 state 2"});
    EXPECT_EQ(fec.out,
              "mts send: if_index = 0x1002000, port = 2, fec = 2\n"
              "mts recv: if_index = 0x1002000, status = 0, success\n");
    EXPECT_TRUE(has(last_line(card.pcfg_c({"show port-config history instance 6"}).out), "fc1/3"));
    EXPECT_TRUE(has(card.pcfg_c({"show event-log"}).out, "CFG_TYPE_PORT_FEC_STATE, fec_state:2"));
    // The manager counts every request it handled, whichever shell sent it.
    EXPECT_EQ(card.pcfg_c({"show port-config commands"}).out, "cmds processed: 2\n");

    EXPECT_EQ(card.pcfg_c({"sim reset ports 4"}).out, "sim: a fresh card with 4 front ports\n");
    const std::string status = card.pcfg_c({"sim status"}).out;
    EXPECT_TRUE(has(status, "front ports       4\n"));
    EXPECT_FALSE(has(status, "time    2025-12-05 16:0")) << "the shared card keeps real time, not the fixed start";
    EXPECT_EQ(card.pcfg_c({"show port-config summary"}).out,
              embedded({"sim reset ports 4", "show port-config summary"}).out
                  .substr(std::strlen("sim: a fresh card with 4 front ports\n")));
    expect_nothing_held(card);
}

TEST(CardProcess, ShellKilledMidExchangeLeavesNothingBehind) {
    Card card;
    const auto shell = shell_waiting_for_fec(card);
    shell->kill_now(SIGKILL);
    shell->finish();
    expect_nothing_held(card);
}

// Ctrl-C on the operator's terminal does not cut a command's wait short:
// the command ends as the library reports it (its output from then on
// dropped), and the shell goes on; with line editing, and with plain lines
// where libedit cannot be loaded.
TEST(CardProcess, CtrlCWhileACommandWaitsLeavesItToTheLibrary) {
    const std::string no_editing = "/tmp/pcfg-card-test-no-editing-" + std::to_string(getpid());
    const std::string not_a_library = no_editing + "/libedit.so.2";
    ASSERT_EQ(mkdir(no_editing.c_str(), 0700) | mkdir(not_a_library.c_str(), 0700), 0);
    for (const bool editing : {true, false}) {
        SCOPED_TRACE(editing ? "line editing" : "plain lines");
        Card card;
        std::vector<std::string> env;
        if (!editing) env.push_back("LD_LIBRARY_PATH=" + no_editing);
        const auto shell = shell_waiting_for_fec(card, Child::Io::Terminal, env);
        shell->write_input("\x03");
        EXPECT_TRUE(shell->read_until("^C\r\npcfg# ", 10));
        EXPECT_TRUE(has(card.card_command("status").out, "queues 1, held messages 0\n"));
        card.pcfg_c({"sim manager normal"});
        shell->write_input("show port-config commands\r");
        EXPECT_TRUE(shell->read_until("cmds processed: 1\r\npcfg# ", 10));
        EXPECT_TRUE(!editing || shell->await_line_editor(10));
        shell->write_input("\x04");
        const Finished f = shell->finish();
        EXPECT_EQ(f.status, 0) << f.out;
        EXPECT_FALSE(has(f.out, "timed out")) << f.out;
        EXPECT_EQ(has(f.out, "pcfg: no line editing (" + not_a_library +
                                 ": cannot read file data: Is a directory); lines are read as typed\r\n"),
                  !editing) << f.out;
        expect_nothing_held(card);
    }
    rmdir(not_a_library.c_str());
    rmdir(no_editing.c_str());
}

// A wait that runs out is answered to the shell that waits, not to one that
// connected after it.
TEST(CardProcess, ATimedOutWaitIsAnsweredToItsOwnShell) {
    Card card;
    const auto waiting = shell_waiting_for_fec(card);
    Child later({pcfg_program()}, card.env());
    later.write_input("sim status\n");
    ASSERT_TRUE(later.read_until("connected shells  2\n", 10));
    const Finished r = waiting->finish();
    EXPECT_EQ(r.out,
              "mts send: if_index = 0x1002000, port = 2, fec = 2\n"
              "Failed to receive reponse message from pcfg, timed out.\n");
    later.write_input("sim status\n");
    EXPECT_EQ(r.err + later.finish().err, "") << "no shell lost the card";
}

// A card that went away under an open shell: each command that needs the
// card (of the library, `sim`, `show clock`) says so in one line and fails,
// the others run; once a card runs there again, the next command
// reconnects, says so and runs on the new card.
// An open shell learns the card's ports once; a reset by another shell is
// seen before a port is refused and whenever the operator asks with "?".
TEST(CardProcess, PortsFollowAnotherShellsReset) {
    Card card;
    Child shell({pcfg_program()}, card.env());
    shell.write_input("show port-config commands\n");
    ASSERT_TRUE(shell.read_until("cmds processed: ", 10));
    EXPECT_EQ(card.pcfg_c({"sim reset ports 60"}).out, "sim: a fresh card with 60 front ports\n");
    shell.write_input("show port-config counters port 60 | include ^Port\nshow port-config counters port ?\n");
    const Finished r = shell.finish();
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(has(r.out, "  <1-60>  Port number, counted from 1\n")) << r.out;
    EXPECT_EQ(r.status, 0);
    expect_nothing_held(card);
}

TEST(CardProcess, ACardGoneIsSaidAndANewOneReconnected) {
    Card card;
    Child shell({pcfg_program()}, card.env());
    // The line after the first, which needs no card, shows the first one
    // done with the card (a slow shell may look for it after its output).
    shell.write_input("show port-config commands\nshow version\n");
    ASSERT_TRUE(shell.read_until("card frames       version ", 10));
    card.kill();
    shell.write_input("show port-config commands\nsim status\nsim reset\nshow clock\nshow version\n");
    ASSERT_TRUE(shell.read_until("card frames       unknown: the card does not answer\n", 10));
    card.start_again();
    shell.write_input("show port-config commands\nsim status\n");
    const Finished r = shell.finish();
    EXPECT_TRUE(has(r.out, "does not answer\ncmds processed: 1\nsimulated time    ")) << r.out;
    EXPECT_TRUE(has(r.out, "open queues       1 (the shell's own included)\n")) << r.out;
    std::string gone;
    for (int line = 3; line <= 6; ++line)
        gone += "% line " + std::to_string(line) + ": The card on " + card.socket() +
                " is gone; start one with \"pcfg-card --socket " + card.socket() +
                " --daemon\" and the next command reconnects\n";
    EXPECT_EQ(r.err, gone + "% line 8: Reconnected to a new card on " + card.socket() + "\n");
    EXPECT_EQ(r.status, 1);
}

TEST(CardProcess, CardKilledMidExchangeEndsTheWait) {
    Card card;
    const auto shell = shell_waiting_for_fec(card);
    const time_t start = time(nullptr);
    card.kill_now();
    const Finished r = shell->finish();
    EXPECT_LE(time(nullptr) - start, 2);  // not the wait limit of 5 seconds
    EXPECT_EQ(r.out,
              "mts send: if_index = 0x1002000, port = 2, fec = 2\n"
              "Failed to receive reponse message from pcfg, timed out.\n");
    // The library's own text, then the shell's line and status.
    EXPECT_TRUE(r.err.starts_with("% line 1: The card on " + card.socket() + " is gone; ")) << r.err;
    EXPECT_EQ(r.status, 1);
}

TEST(CardProcess, StatusShowsTheManagersModeAndArmedFaults) {
    Card card;
    card.pcfg_c({"sim manager silent", "sim fail mts_recv -1 5 3"});
    const Finished status = card.card_command("status");
    EXPECT_TRUE(has(status.out, "front ports       48\nmanager           silent: answers no request\n"))
        << status.out;
    EXPECT_TRUE(has(status.out, "armed faults      1\n  mts_recv                       call 3 from now on "
                                "fails with result -1, errno 5\n")) << status.out;
    const Finished bare = Child({card_program(), "--socket"}, {}).finish();
    EXPECT_EQ(bare.status, 2);
    EXPECT_TRUE(bare.err.starts_with("pcfg-card: --socket needs a PATH\n")) << bare.err;
}

TEST(CardProcess, OneCardPerSocketAndSigtermRemovesIt) {
    Card card;
    Child second({card_program()}, card.env());
    const Finished refused = second.finish();
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "pcfg-card: a card already runs on " + card.socket() + "\n");
    const Finished ended = card.terminate();
    EXPECT_EQ(ended.status, 0);
    // Nothing of the card's is left after SIGTERM, nor after stop.
    for (const bool stopped : {false, true}) {
        if (stopped) {
            card.start_again();
            EXPECT_EQ(card.card_command("stop").status, 0);
            for (int i = 0; i < 100 && access((card.socket() + ".lock").c_str(), F_OK) == 0; ++i) usleep(20000);
        }
        EXPECT_NE(access(card.socket().c_str(), F_OK), 0) << stopped;
        EXPECT_NE(access((card.socket() + ".lock").c_str(), F_OK), 0) << stopped;
    }
}

TEST(CardProcess, MalformedFrameEndsThatConnectionOnly) {
    Card card;
    Child shell({pcfg_program()}, card.env());
    shell.write_input("show port-config commands\n");
    ASSERT_TRUE(shell.read_until("cmds processed: 1\n", 10));

    const int fd = socket(AF_UNIX, SOCK_SEQPACKET, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strcpy(addr.sun_path, card.socket().c_str());
    ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr), 0);
    const uint8_t frame[] = {'P', 'F', 2, 2, 0, 0, 0, 9, 0};  // a bind cut short
    ASSERT_EQ(send(fd, frame, sizeof frame, 0), static_cast<ssize_t>(sizeof frame));
    char byte;
    EXPECT_EQ(recv(fd, &byte, 1, 0), 0);  // closed
    close(fd);

    shell.write_input("show port-config commands\n");
    EXPECT_EQ(shell.finish().out, "cmds processed: 1\ncmds processed: 2\n");
    const Finished ended = card.terminate();
    EXPECT_TRUE(has(ended.err, "malformed frame (operation 2, 9 bytes); connection closed\n"))
        << ended.err;
}

}  // namespace
}  // namespace pcfg_card_test
