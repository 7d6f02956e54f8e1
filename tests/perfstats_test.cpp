// Bandwidth statistics (command 40): rate scaling, the request and answer
// lines, every failure path with its cleanup, and the one heap buffer.
#include <cstdio>
#include <functional>
#include <optional>

#include "support/fixture.h"

using namespace pcfg_test;
using pcfg_sim::calls_named;
using pcfg_sim::Reply;

namespace {

class PerfstatsTest : public PcfgTest {
protected:
    void SetUp() override {
        PcfgTest::SetUp();
        allowed_allocations_ = 1;
        reset_card(2);
    }
    // A fresh card with this many front ports, and a fresh heap count.
    static void reset_card(uint32_t num_ports) {
        pcfg_sim::CardConfig config;
        config.num_ports = num_ports;
        pcfg_sim::reset(config);
        EXPECT_EQ(library_outstanding(), 0) << "the buffer of the run before is freed";
        heap_reset();
    }
    std::string show(Params p = Params(40)) { return run(p); }
};

void put_be(std::vector<uint8_t> &out, uint64_t v, int width) {
    for (int i = width - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
// An answer header, then 52-byte records of (if_index, in_bytes, out_bytes).
std::vector<uint8_t> answer(uint32_t status, uint16_t num_ports,
                            std::initializer_list<std::array<uint64_t, 3>> records = {}) {
    std::vector<uint8_t> a;
    put_be(a, status, 4), put_be(a, 0xEEEE, 2), put_be(a, num_ports, 2);
    for (const auto &[if_index, in, out] : records) {
        put_be(a, 0xAAAAAAAA, 4), put_be(a, if_index, 4), a.insert(a.end(), 20, 0xBB);
        put_be(a, in, 8), put_be(a, ~0ull, 8), put_be(a, out, 8);
    }
    return a;
}

const std::string kRequest2 =
    "req_payload: num_ports = 2\nreq_payload: interval  = 300\nreq_payload: payload sz= 12\n";
const std::string kSuccess2 = kRequest2 + "\nresp success from port-cfg\nresp_payload: status    = 0\n";

TEST_F(PerfstatsTest, RatesScaleBy1000WithUnitAndValueInStep) {
    const std::pair<double, const char *> cases[] = {
        {0, "0.00(B)"},       {999.99, "999.99(B)"},  {1000, "1.00(K)"},    {1010, "1.01(K)"},
        {999999, "1000.00(K)"}, {1e6, "1.00(M)"},     {1.5e6, "1.50(M)"},   {2e9, "2.00(G)"},
        {1e12, "1000.00(G)"}, {5e12, "5000.00(G)"},   {1e15, "1000000.00(G)"},
    };
    for (const auto &[rate, expected] : cases) {
        char text[64];
        snprintf(text, sizeof text, "%.2lf(%s)", rate_value(rate), rate_unit(rate));
        EXPECT_STREQ(text, expected) << rate;
    }
}

TEST_F(PerfstatsTest, SimulatedCardShowsEveryPortsRates) {
    reset_card(4);
    Params p(40);
    p.num(PCFG_PARAM_INTERVAL, 60);
    EXPECT_EQ(show(std::move(p)),
              "req_payload: num_ports = 4\nreq_payload: interval  = 60\nreq_payload: payload sz= 20\n"
              "\nresp success from port-cfg\nresp_payload: status    = 0\n"
              "resp_payload: num_ports = 4\nresp_payload: opcode    = 3187\n"
              "resp_payload: payload sz= 216\n"
              "fc1/1, in = 250.00(K) out = 125.00(K), total = 375.00(K)\n"
              "fc1/2, in = 9.50(M) out = 4.75(M), total = 14.26(M)\n"
              "fc1/3, in = 2.75(M) out = 1.38(M), total = 4.14(M)\n"
              "fc1/4, in = 0.00(B) out = 0.00(B), total = 0.00(B)\n");
    const std::string name = "snprintf_if_index_short";
    EXPECT_EQ(call_names(), (std::vector<std::string>{"mts_bind", "get_front_port_if_index_list",
                                                      "mts_send", "mts_recv", "mts_payload_get",
                                                      "mts_opc_get", "mts_payload_size", name, name,
                                                      name, name, "mts_drop", "mts_unbind"}));
    const auto send = calls_named("mts_send").at(0);
    EXPECT_EQ(std::vector<int64_t>(send.args.begin() + 1, send.args.end()),
              (std::vector<int64_t>{0xfe000000, 902, 3187, 1, 20, 0, 0, 0}));
    EXPECT_EQ(send.payload, bytes({0, 4, 0, 60, 1, 0, 0, 0, 1, 0, 0x10, 0, 1, 0, 0x20, 0, 1, 0, 0x30, 0}));
    EXPECT_EQ(calls_named("mts_recv").at(0).words, (std::vector<uint32_t>{1, 0, 3, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(calls_named(name).at(0).args.at(1), 30);
    EXPECT_EQ(library_allocations(), 1u);
}

TEST_F(PerfstatsTest, CountsAboveTwoTo32CountInFullAndNamesNeverGoStale) {
    pcfg_sim::script_reply({Reply::Kind::Answer, 0,
                            answer(0, 2, {{0x01000000, 1ull << 32, 4500000000000000ull},
                                          {0x01001000, 3000000, 0}})});
    pcfg_sim::fail("snprintf_if_index_short", 0, 0, 2);  // the second name is not written
    EXPECT_EQ(show(), kSuccess2 +
                          "resp_payload: num_ports = 2\nresp_payload: opcode    = 3187\n"
                          "resp_payload: payload sz= 112\n"
                          "fc1/1, in = 14.32(M) out = 15000.00(G), total = 15000.01(G)\n"
                          ", in = 10.00(K) out = 0.00(B), total = 10.00(K)\n");
}

TEST_F(PerfstatsTest, AnswerFormsAndFailuresEachCleanUp) {
    auto overrun = answer(0, 3, {{0x01000000, 0, 0}});
    overrun.resize(overrun.size() + 51);
    const std::string none;
    struct Case {
        std::function<void()> arrange;
        std::string text;
        size_t allocations, drops, unbinds;
    };
    const Case cases[] = {
        {[] { pcfg_sim::fail("mts_bind", -1, 24); },
         "port_cfg_show_perfstats:Failed to get mts queue handle for LC Config Mgr CLI: 24", 0, 0, 0},
        {[] { pcfg_sim::fail("get_front_port_if_index_list", 3); },
         "port_cfg_show_perfstats: get_front_port_if_index_list failed\n", 0, 0, 1},
        {[] { heap_fail_next_malloc(); }, "port_cfg_show_perfstats: request allocation failed\n", 0, 0, 1},
        {[] { pcfg_sim::fail("mts_send", -1, 113); }, kRequest2 + "mts_send failed\n", 1, 0, 1},
        {[] { pcfg_sim::script_reply({Reply::Kind::Silence, 0, {}}); }, kRequest2 + "mts_recv failed\n", 1, 0, 1},
        {[] { pcfg_sim::script_reply({Reply::Kind::NullPayload, 0, {}}); }, kRequest2, 1, 1, 1},
        {[] { pcfg_sim::script_reply({Reply::Kind::Answer, 0, answer(5, 2)}); },
         kRequest2 + "resp failure from port-cfg\nresp_payload: status    = 5\n"
                     "resp_payload: num_ports = 2\nresp_payload: payload sz= 8\n", 1, 1, 1},
        {[] { pcfg_sim::script_reply({Reply::Kind::Answer, 0, bytes({0, 0, 0, 0, 0, 0, 0})}); },
         kRequest2 + "resp too short from port-cfg\nresp_payload: payload sz= 7\n", 1, 1, 1},
        {[] { pcfg_sim::script_reply({Reply::Kind::Answer, 0, answer(0, 0)}); },
         kSuccess2 + "resp_payload: num_ports = 0\nresp_payload: opcode    = 3187\n"
                     "resp_payload: payload sz= 8\n", 1, 1, 1},
        {[&] { pcfg_sim::script_reply({Reply::Kind::Answer, 0, overrun}); },
         kSuccess2 + "resp_payload: num_ports = 3\nresp_payload: opcode    = 3187\n"
                     "resp_payload: payload sz= 111\n"
                     "fc1/1, in = 0.00(B) out = 0.00(B), total = 0.00(B)\n"
                     "resp_payload: only 1 of 3 port records present\n", 1, 1, 1},
    };
    for (const Case &c : cases) {
        reset_card(2);
        c.arrange();
        EXPECT_EQ(show(), c.text);
        EXPECT_EQ(library_allocations(), c.allocations) << c.text;
        EXPECT_EQ(library_outstanding(), 0) << c.text;
        EXPECT_EQ(calls_named("mts_drop").size(), c.drops) << c.text;
        EXPECT_EQ(calls_named("mts_unbind").size(), c.unbinds) << c.text;
        EXPECT_EQ(calls_named("mts_errno_get").size(), c.unbinds == 0 ? 1u : 0u) << c.text;
        EXPECT_EQ(pcfg_sim::open_queues() + pcfg_sim::held_messages(), 0) << c.text;
    }
}

TEST_F(PerfstatsTest, CardSizes) {
    reset_card(70);
    std::string text = show();
    EXPECT_EQ(text.substr(0, text.find("\n\n") + 1),
              "port_cfg_show_perfstats: 70 front ports, only the first 64 requested\n"
              "req_payload: num_ports = 64\nreq_payload: interval  = 300\nreq_payload: payload sz= 260\n");
    const auto request = calls_named("mts_send").at(0).payload;
    ASSERT_EQ(request.size(), 260u);
    EXPECT_EQ(std::vector<uint8_t>(request.end() - 4, request.end()), bytes({1, 3, 0xF0, 0}));
    EXPECT_EQ(text.substr(text.rfind("\nfc") + 1, 7), "fc1/64,");

    reset_card(0);  // no front ports: the request still goes out
    EXPECT_EQ(show(), "req_payload: num_ports = 0\nreq_payload: interval  = 300\nreq_payload: payload sz= 4\n"
                      "\nresp success from port-cfg\nresp_payload: status    = 0\nresp_payload: num_ports = 0\n"
                      "resp_payload: opcode    = 3187\nresp_payload: payload sz= 8\n");
    EXPECT_EQ(calls_named("mts_send").at(0).payload, bytes({0, 0, 1, 0x2C}));
}

TEST_F(PerfstatsTest, IntervalTokens) {
    const std::pair<std::vector<std::optional<uint32_t>>, const char *> cases[] = {
        {{std::nullopt}, "req_payload: interval  = 300\n"},  // a token without a value
        {{10, 20, std::nullopt}, "req_payload: interval  = 20\n"},
        {{65535}, "req_payload: interval  = 65535\n"},
        {{0}, "port_cfg_show_perfstats: invalid interval 0\n"},
        {{65536}, "port_cfg_show_perfstats: invalid interval 65536\n"},
        {{0x80000000u}, "port_cfg_show_perfstats: invalid interval 2147483648\n"},
    };
    for (const auto &[tokens, outcome] : cases) {
        reset_card(1);
        Params p(40);
        for (const auto &t : tokens) t ? p.num(PCFG_PARAM_INTERVAL, *t) : p.bare(PCFG_PARAM_INTERVAL);
        const std::string text = show(std::move(p));
        const bool refused = std::string(outcome).find("invalid") != std::string::npos;
        const size_t line2 = text.find('\n') + 1;  // the interval line, when sent
        EXPECT_EQ(refused ? text : text.substr(line2, text.find('\n', line2) + 1 - line2), outcome);
        EXPECT_EQ(pcfg_sim::calls().empty(), refused) << "refused before binding";
    }
}

}  // namespace
