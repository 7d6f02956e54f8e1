// FEC state (command 41) on the shell's own queue: the request, the token
// that ties the receive to its reply, the outcomes, and what the simulated
// manager makes of set-port-configuration requests.
#include <array>
#include <functional>
#include <optional>

#include "pcfg_platform.h"
#include "support/fixture.h"

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
        const std::array<uint32_t, 6> options{1, 0, 0x400, 0, 0, 0xf};
        queue_ = mts_bind(2, -1, options.data(), "shell");
        ASSERT_NE(queue_, -1);
        pcfg_sim::clear_calls();
    }
    std::string set_fec(uint32_t typed_port, std::optional<uint32_t> fec) {
        Params p(41);
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

TEST_F(FecTest, SendsOneFecTlvAndTakesTheReplyToThatRequest) {
    // An earlier answer waits on the shell's queue: the command must leave it.
    const std::array<uint8_t, 8> report{1};
    mts_send(queue_, &kManager, 435, report.data(), 8, nullptr, 0, 0);
    pcfg_sim::clear_calls();

    EXPECT_EQ(set_fec(3, 1), "mts send: if_index = 0x1002000, port = 2, fec = 1\n"
                             "mts recv: if_index = 0x1002000, status = 0, success\n");
    EXPECT_EQ(call_names(), (std::vector<std::string>{"get_front_port_if_index_list", "mts_send",
                                                      "mts_rr_token_get", "mts_recv", "mts_drop",
                                                      "mts_payload_get", "mts_payload_size",
                                                      "mts_drop"}));
    const auto send = calls_named("mts_send").at(0);
    EXPECT_EQ(send.args, (std::vector<int64_t>{queue_, 0xfe000000, 902, 395, 1, 10, 1, 0, 0}));
    const auto request = bytes({0, 1, 0x01, 0x00, 0x20, 0x00, 1, 175, 1, 1});
    EXPECT_EQ(send.payload, request);
    auto words = calls_named("mts_recv").at(0).words;
    ASSERT_EQ(words.size(), 10u);
    EXPECT_NE(words[3], 0u) << "the request's token";
    words[3] = 0;
    EXPECT_EQ(words, (std::vector<uint32_t>{1, 0, 5, 0, 0, 0, 0, 0, 0, 0}));
    for (const auto &drop : calls_named("mts_drop")) EXPECT_EQ(drop.args.at(0), queue_);

    const auto log = pcfg_sim::event_log();  // the manager logged request and answer
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(std::vector<uint8_t>(log[log.size() - 2].begin() + 48, log[log.size() - 2].end()), request);
    EXPECT_EQ(std::vector<uint8_t>(log.back().begin() + 48, log.back().end()),
              bytes({0, 1, 0x01, 0x00, 0x20, 0x00, 0, 0, 0, 0}));
    EXPECT_EQ(receive(435).size(), 12u) << "the earlier answer is still there";
}

TEST_F(FecTest, PortAndFecTokens) {
    const std::tuple<uint32_t, std::optional<uint32_t>, const char *> cases[] = {
        {0, 1, "mts send: if_index = 0x0, port = -1, fec = 1\n"  // port 0 is no port
               "mts recv: if_index = 0x0, status = 1076428811, failure\n"},
        {49, 1, "mts send: if_index = 0x0, port = 48, fec = 1\n"
                "mts recv: if_index = 0x0, status = 1076428811, failure\n"},
        {1, std::nullopt, "mts send: if_index = 0x1000000, port = 0, fec = 0\n"
                          "mts recv: if_index = 0x1000000, status = 0, success\n"},
        {1, 256, "mts send: if_index = 0x1000000, port = 0, fec = 0\n"
                 "mts recv: if_index = 0x1000000, status = 0, success\n"},
        {48, 511, "mts send: if_index = 0x102f000, port = 47, fec = 255\n"
                  "mts recv: if_index = 0x102f000, status = 1076428809, failure\n"},
    };
    for (const auto &[typed_port, fec, text] : cases) EXPECT_EQ(set_fec(typed_port, fec), text);

    Params none(41);
    none.handle(queue_).bare(PCFG_PARAM_PORT).num(PCFG_PARAM_FEC, 1);
    EXPECT_EQ(run(none), std::get<2>(cases[0]));

    pcfg_sim::CardConfig empty;  // no front ports
    empty.num_ports = 0;
    pcfg_sim::reset(empty);
    bind_shell_queue();
    EXPECT_EQ(set_fec(1, 1), "mts send: if_index = 0x0, port = 0, fec = 1\n"
                             "mts recv: if_index = 0x0, status = 1076428811, failure\n");
}

TEST_F(FecTest, OutcomesAndFailures) {
    const std::string sent = "mts send: if_index = 0x1000000, port = 0, fec = 1\n";
    const std::tuple<std::function<void()>, std::string, size_t> cases[] = {
        {[] { pcfg_sim::script_reply({Reply::Kind::Answer, 0, bytes({0, 1, 1, 0, 0, 0, 0, 0, 0, 22})}); },
         sent + "mts recv: if_index = 0x1000000, status = 22, failure\n", 2},
        {[] { pcfg_sim::script_reply({Reply::Kind::NullPayload, 0, {}}); }, sent + "mts recv: no payload\n", 2},
        {[] { pcfg_sim::script_reply({Reply::Kind::Answer, 0, bytes({0, 1, 1, 0, 0, 0, 0, 0, 0})}); },
         sent + "mts recv: short payload (9 bytes)\n", 2},
        {[] { pcfg_sim::script_reply({Reply::Kind::Silence, 0, {}}); },
         sent + "Failed to receive reponse message from pcfg, timed out.", 1},
        {[] { pcfg_sim::fail("mts_send", -1, 113); }, "mts send failed", 0},
        {[] { pcfg_sim::fail("get_front_port_if_index_list", 1); }, "getting if_index list failed\n", 0},
    };
    for (const auto &[arrange, text, drops] : cases) {
        pcfg_sim::clear_calls();
        arrange();
        EXPECT_EQ(set_fec(1, 1), text);
        EXPECT_EQ(calls_named("mts_drop").size(), drops) << text;
        EXPECT_EQ(pcfg_sim::held_messages(), 0) << text;
    }
}

TEST_F(FecTest, ManagerAppliesEachEntryAndRefusesWhatItCannot) {
    // Port 1: disable, FEC on. Port 2: 4G, then FEC on (not below 16G). An
    // unknown port. An entry whose TLV runs past the request.
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
}

}  // namespace
