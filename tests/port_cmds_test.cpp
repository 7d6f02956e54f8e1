// Per-port commands (28, 29, 33, 34): port lookup rules, banners and the
// requests sent; then every printer end to end on the simulated manager.
#include "support/library_units.h"
#include "support/fixture.h"
#include "support/golden.h"

using namespace pcfg_test;
using pcfg_sim::calls_named;
using pcfg_sim::CardConfig;

namespace {

class PortCmdsTest : public PcfgTest {
protected:
    std::string command(pcfg_cmd_id cmd, std::initializer_list<uint32_t> ports, int32_t param = PCFG_PARAM_PORT) {
        Params p(cmd);
        for (uint32_t port : ports) p.num(param, port);
        return run(p);
    }
};

// How often the port list and the port count were asked, and each request
// sent.
std::string asked() {
    std::string s = "list " + std::to_string(calls_named("get_front_port_if_index_list").size()) +
                    ", total " + std::to_string(calls_named("get_total_lc_front_ports").size());
    for (const auto &c : calls_named("mts_send")) s += ", sent [" + hex(c.payload) + "]";
    return s;
}

TEST_F(PortCmdsTest, PortLookupRulesBannersAndRequests) {
    struct Case {
        pcfg_cmd_id cmd;
        const char *name;
        std::vector<uint32_t> ports;
        CardConfig card;
        int list_error;  // what get_front_port_if_index_list answers, 0 = the card's list
    };
    constexpr auto kAggr = PCFG_CMD_PORT_AGGR_CNTR, kCur = PCFG_CMD_PORT_CUR_CNTR,
                   kInfo = PCFG_CMD_PORT_INFO, kDdm = PCFG_CMD_PORT_DDM_INFO;
    const CardConfig c48, two{1, {7, 2}, 48, -1}, none{1, {}, 0, 48}, three{1, {0, 1, 2}, 3, 48};
    const Case cases[] = {
        {kAggr, "no port", {}, c48, 0},           {kAggr, "port 0", {0}, c48, 0},
        {kAggr, "list fails", {1}, c48, -5},      {kCur, "list fails", {}, c48, 7},
        {kAggr, "entry of the list", {3}, two, 0}, {kAggr, "first token", {3, 7}, two, 0},
        {kCur, "entry of the list", {8}, two, 0}, {kCur, "not on card", {1}, two, 0},
        {kInfo, "no port", {}, c48, 0},           {kInfo, "port 0", {0}, c48, 0},
        {kInfo, "list fails", {1}, c48, -5},      {kInfo, "not on card", {5}, three, 0},
        {kInfo, "last token", {7, 3}, two, 0},    {kInfo, "huge", {0x80000000u}, c48, 0},
        {kDdm, "no port", {}, c48, 0},           {kDdm, "list fails", {2}, c48, 3},
        {kDdm, "in list", {48}, c48, 0},         {kDdm, "empty list, port 1", {1}, none, 0},
        {kDdm, "below count", {10}, three, 0},   {kDdm, "at count", {49}, none, 0},
        {kDdm, "negative", {static_cast<uint32_t>(-4)}, none, 0},
    };
    Transcript t;
    for (const Case &c : cases) {
        pcfg_sim::reset(c.card);
        pcfg_sim::set_manager_silent(true);
        if (c.list_error != 0) pcfg_sim::fail("get_front_port_if_index_list", c.list_error);
        Params p(c.cmd);
        for (uint32_t port : c.ports) p.num(PCFG_PARAM_PORT, port);
        const std::string text = run(p);
        t.add(std::to_string(c.cmd) + " " + c.name + " (" + asked() + ")", text);
    }
    expect_golden("cli/port_lookup", t.str());
}

// The value printed after a counter's name, or 0 when its line is absent.
uint64_t counter(const std::string &text, const std::string &name) {
    const size_t at = text.find("\n" + name + " ");
    return at == std::string::npos ? 0 : std::stoull(text.substr(at + 1 + name.size()));
}

TEST_F(PortCmdsTest, CountersOnTheSimulatedCardGrowWithTraffic) {
    pcfg_sim::advance(60);
    const std::string cur1 = command(PCFG_CMD_PORT_CUR_CNTR, {2});
    const std::string aggr = command(PCFG_CMD_PORT_AGGR_CNTR, {2});
    pcfg_sim::advance(60);
    const std::string cur2 = command(PCFG_CMD_PORT_CUR_CNTR, {2});
    for (const std::string &text : {cur1, aggr, cur2}) {
        EXPECT_EQ(text.find("ERROR"), std::string::npos) << text;
        EXPECT_EQ(counter(text, "fcIfInFrames"),
                  counter(text, "fcIfC2InFrames") + counter(text, "fcIfC3InFrames") +
                      counter(text, "fcIfCfInFrames"));
        EXPECT_EQ(counter(text, "ifHCOutOctets"), counter(text, "fcIfOutOctets"));
        EXPECT_GT(counter(text, "fcIfFecCorrectedBlks"), 0u);
    }
    EXPECT_GT(counter(cur1, "fcIfC3InFrames"), 0u);
    EXPECT_GT(counter(cur2, "fcIfC3InFrames"), counter(cur1, "fcIfC3InFrames"));
    EXPECT_GT(counter(aggr, "fcIfC3InFrames"), counter(cur2, "fcIfC3InFrames"));
    EXPECT_EQ(counter(cur2, "timestamp"), pcfg_sim::now());
    // A port the manager does not know gets a non-zero status.
    const std::array<uint8_t, 9> unknown{0, 0, 0, 0, 1, 0x0D, 0xEA, 0xD0, 0x00};
    EXPECT_EQ(out([&] { pcfg_mts_send_rcv_port_cntr(unknown.data(), pcfg_print_port_cntr); }),
              "pcfg_mts_send_rcv_port_cntr:Get port counter error, code = 4029000b\n");
}

// Port 13 is an E port with four virtual links in every answer.
TEST_F(PortCmdsTest, ReportAnswersOfTheSimulatedCard) {
    Transcript t;
    t.add("resources", command(PCFG_CMD_RSRC_CARD, {}));
    t.add("resources of port 13", command(PCFG_CMD_RSRC_PORT, {13}, PCFG_PARAM_RSRC_PORT));
    t.add("port info of port 13", command(PCFG_CMD_PORT_INFO, {13}));
    t.add("credits of port 13", command(PCFG_CMD_CREDIT_TBL, {13}, PCFG_PARAM_RSRC_PORT));
    t.add("credits, second form", command(PCFG_CMD_CREDIT_TBL_2, {}));
    t.add("transceiver of port 8", command(PCFG_CMD_PORT_DDM_INFO, {8}));
    pcfg_sim::reset(CardConfig{1, {0, 1, 2}, 3, 48});
    t.add("transceiver of port 10 on a 3-port card", command(PCFG_CMD_PORT_DDM_INFO, {10}));
    expect_golden("cli/port_reports", t.str());
}

}  // namespace
