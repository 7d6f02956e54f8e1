// FEC state (command 41) on the shell's own queue: the request, the token
// that ties the receive to its reply, the outcomes, and what the simulated
// manager makes of set-port-configuration requests.
#include <array>
#include <functional>
#include <optional>

#include "pcfg_platform.h"
#include "support/fixture.h"
#include "support/golden.h"

using namespace pcfg_test;
using pcfg_sim::calls_named;
using pcfg_sim::Reply;

namespace {

constexpr mts_addr_t kManager{0xfe000000u, 902u};
constexpr std::array<uint32_t, 10> kAnyMessage{1, 0, 3};

class FecTest : public PcfgTest {
protected:
    void SetUp() override {
        PcfgTest::SetUp();
        bind_shell_queue();
    }
    void TearDown() override {
        mts_unbind(queue_, 0);
        PcfgTest::TearDown();
    }
    // The shell's own queue (a card reset closes it).
    void bind_shell_queue() {
        const std::array<uint32_t, 6> options MTS_CLIENT_BIND_OPTIONS;
        queue_ = mts_bind(2, -1, options.data(), "shell");
        ASSERT_NE(queue_, -1);
        pcfg_sim::clear_calls();
    }
    std::string set_fec(uint32_t typed_port, std::optional<uint32_t> fec) {
        Params p(PCFG_CMD_SET_FEC);
        p.handle(queue_).num(PCFG_PARAM_PORT, typed_port);
        if (fec) p.num(PCFG_PARAM_FEC, *fec);
        return run(p);
    }
    // Sends on the shell's queue; returns the payload of the next message.
    std::vector<uint8_t> exchange(uint32_t opcode, const std::vector<uint8_t> &request) {
        mts_send(queue_, &kManager, opcode, request.data(), static_cast<uint32_t>(request.size()),
                 nullptr, 0, 0);
        return receive(opcode);
    }
    std::vector<uint8_t> receive(uint32_t opcode) {
        mts_msg_t msg{};
        if (mts_recv(queue_, &msg, kAnyMessage.data()) != 0) return {};
        EXPECT_EQ(mts_opc_get(&msg), opcode);
        const auto *p = static_cast<const uint8_t *>(mts_payload_get(&msg));
        std::vector<uint8_t> out(p, p + mts_payload_size(&msg));
        mts_drop(queue_, &msg);
        return out;
    }

    int queue_ = -1;
};

// The request goes out on the shell's queue and the receive waits for the
// reply to that request's token; the manager logs request and answer.
TEST_F(FecTest, SendsOneFecTlvAndTakesTheReplyToThatRequest) {
    // An earlier answer waits on the shell's queue: the command must leave it.
    const std::array<uint8_t, 8> report{1};
    mts_send(queue_, &kManager, 435, report.data(), 8, nullptr, 0, 0);
    pcfg_sim::clear_calls();
    Transcript t;
    t.add("output", set_fec(3, 1)).add("calls", calls_text());
    EXPECT_NE(calls_named("mts_recv").at(0).words.at(3), 0u) << "the request's token";
    const auto log = pcfg_sim::event_log();
    ASSERT_GE(log.size(), 2u);
    for (size_t i = log.size() - 2; i < log.size(); ++i)
        t.add("logged payload", hex(std::span(log[i]).subspan(48)) + "\n");
    expect_golden("cli/fec_request", t.str());
    EXPECT_EQ(receive(435).size(), 12u) << "the earlier answer is still there";
}

TEST_F(FecTest, PortAndFecTokens) {
    Transcript t;
    const std::tuple<uint32_t, std::optional<uint32_t>> cases[] = {
        {0, 1},  // port 0 is no port
        {49, 1}, {1, std::nullopt}, {1, 256}, {48, 511}};
    for (const auto &[typed_port, fec] : cases)
        t.add("port " + std::to_string(typed_port) + " fec " + (fec ? std::to_string(*fec) : "none"),
              set_fec(typed_port, fec));
    t.add("port token without a value",
          run(Params(PCFG_CMD_SET_FEC).handle(queue_).bare(PCFG_PARAM_PORT).num(PCFG_PARAM_FEC, 1)));
    pcfg_sim::reset({.num_ports = 0});
    bind_shell_queue();
    t.add("a card without front ports, port 1", set_fec(1, 1));
    expect_golden("cli/fec_tokens", t.str());
}

void answer(Reply::Kind kind, std::initializer_list<int> payload) {
    pcfg_sim::script_reply({kind, 0, bytes(payload)});
}

// Answers the manager gives (failed calls and missing answers: the fault
// sweep).
TEST_F(FecTest, OutcomesAndFailures) {
    const std::tuple<const char *, std::function<void()>, size_t> cases[] = {
        {"failure status", [] { answer(Reply::Kind::Answer, {0, 1, 1, 0, 0, 0, 0, 0, 0, 22}); }, 2},
        {"short payload", [] { answer(Reply::Kind::Answer, {0, 1, 1, 0, 0, 0, 0, 0, 0}); }, 2},
    };
    Transcript t;
    for (const auto &[name, arrange, drops] : cases) {
        pcfg_sim::clear_calls();
        arrange();
        t.add(name, set_fec(1, 1));
        EXPECT_EQ(calls_named("mts_drop").size(), drops) << name;
        EXPECT_EQ(pcfg_sim::held_messages(), 0) << name;
    }
    expect_golden("cli/fec_outcomes", t.str());
}

// The manager records in its history what it applies and refuses.
TEST_F(FecTest, ManagerAppliesEachEntryAndRefusesWhatItCannot) {
    // Port 1: disable, FEC on. Port 2: 4G, then FEC on (not below 16G). An
    // unknown port. An entry whose TLV runs past the request.
    pcfg_sim::clear_history();
    EXPECT_EQ(exchange(395, bytes({7, 4,
                                   1, 0, 0x00, 0, 2, 12, 1, 2, 175, 1, 1,
                                   1, 0, 0x10, 0, 2, 3, 4, 0, 0, 0x0F, 0xA0, 175, 1, 1,
                                   2, 0, 0x00, 0, 1, 175, 1, 0,
                                   1, 0, 0x20, 0, 1, 175, 3, 1})),
              bytes({7, 4, 1, 0, 0x00, 0, 0, 0, 0, 0,
                     1, 0, 0x10, 0, 0x40, 0x29, 0, 0x0D,
                     2, 0, 0x00, 0, 0x40, 0x29, 0, 0x0B,
                     1, 0, 0x20, 0, 0x40, 0x29, 0, 0x02}));
    // The disabled port carries no traffic any more.
    const auto counts = exchange(3187, bytes({0, 2, 0, 10, 1, 0, 0, 0, 1, 0, 0x10, 0}));
    ASSERT_EQ(counts.size(), 8u + 2 * 52);
    EXPECT_EQ(std::vector<uint8_t>(counts.begin() + 8 + 28, counts.begin() + 8 + 36),
              bytes({0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(std::vector<uint8_t>(counts.begin() + 60 + 28, counts.begin() + 60 + 36),
              bytes({0, 0, 0, 0, 0x05, 0xA9, 0xBC, 0xD0}));  // 9 501 000 B/s for 10 s
    Transcript t;
    for (const pcfg_cmd_id c : {PCFG_CMD_HIST_ERROR_LOG, PCFG_CMD_HIST_PORT_CONTROL,
                                PCFG_CMD_HIST_LINK_EVENTS, PCFG_CMD_HIST_EVENT_LOG, PCFG_CMD_HIST_SERDES})
        t.add("command " + std::to_string(c), run(Params(c)));
    expect_golden("history/service_manager_records", t.str());
}

}  // namespace
