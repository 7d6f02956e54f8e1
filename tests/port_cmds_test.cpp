// Per-port commands (28, 29, 33, 34): port lookup rules, banners and the
// requests sent; then every printer end to end on the simulated manager.
#include "cli/exchange.h"
#include "print/printers.h"
#include "support/fixture.h"

using namespace pcfg_test;
using pcfg_sim::calls_named;
using pcfg_sim::CardConfig;

namespace {

class PortCmdsTest : public PcfgTest {
protected:
    std::string command(int cmd, std::initializer_list<uint32_t> ports, int32_t param = PCFG_PARAM_PORT) {
        Params p(cmd);
        for (uint32_t port : ports) p.num(param, port);
        return run(p);
    }
};

constexpr const char *kCntrTimeout = "Timed out waiting for response from LC Port Cfg Mgr";
constexpr const char *kReportTimeout = "Timed out waiting for response from LC Port Cfg";

TEST_F(PortCmdsTest, PortLookupRulesBannersAndRequests) {
    struct Case {
        const char *name;
        int cmd;
        std::vector<uint32_t> ports;
        CardConfig card;
        int list_error;  // what get_front_port_if_index_list answers, 0 = the card's list
        std::string text;
        std::vector<uint8_t> sent;  // request payload, empty = nothing sent
        bool asks_total;
    };
    const CardConfig card48;
    const CardConfig two{1, {7, 2}, 48, -1};
    const CardConfig none{1, {}, 0, 48};
    const CardConfig three{1, {0, 1, 2}, 3, 48};
    const std::string aggr3 = "**************** port 3 aggregate counters information ****************\n\n";
    const std::vector<Case> cases{
        {"28 no port", 28, {}, card48, 0, "Invalid port number 0\n", {}, false},
        {"28 port 0", 28, {0}, card48, 0, "Invalid port number 0\n", {}, false},
        {"28 list", 28, {1}, card48, -5,
         "port_cfg_show_port_aggr_cntr: get_front_port_if_index_list failed, err=-5\n", {}, false},
        {"29 list", 29, {}, card48, 7,
         "port_cfg_show_port_cur_cntr: get_front_port_if_index_list failed, err=7\n", {}, false},
        {"28 entry", 28, {3}, two, 0, aggr3 + kCntrTimeout, {0, 0, 0, 0, 1, 0x01, 0x00, 0x20, 0x00}, false},
        {"28 first token", 28, {3, 7}, two, 0, aggr3 + kCntrTimeout, {0, 0, 0, 0, 1, 0x01, 0x00, 0x20, 0x00}, false},
        {"29 entry", 29, {8}, two, 0,
         std::string("**************** port 8 current counters information ****************\n\n") + kCntrTimeout,
         {1, 0, 0, 0, 1, 0x01, 0x00, 0x70, 0x00}, false},
        {"29 not on card", 29, {1}, two, 0, "Invalid port number 1\n", {}, false},
        {"33 no port", 33, {}, card48, 0, "port_cfg_show_port_info(): invalid port:-1\n", {}, false},
        {"33 port 0", 33, {0}, card48, 0, "port_cfg_show_port_info(): invalid port:-1\n", {}, false},
        {"33 list", 33, {1}, card48, -5,
         "port_cfg_show_port_info: get_front_port_if_index_list failed, err=-5\n", {}, false},
        {"33 not on card", 33, {5}, three, 0, "Invalid port number 5\n", {}, false},
        {"33 last token", 33, {7, 3}, two, 0,
         std::string("\nPort Info for port: 3 (from pcft_rsrc_port_info_t)\n") + kReportTimeout,
         {10, 2, 0, 0, 0, 0, 0, 0}, false},
        {"33 huge", 33, {0x80000000u}, card48, 0, "Invalid port number -2147483648\n", {}, false},
        {"34 no port", 34, {}, card48, 0, "port_cfg_show_port_ddm_info(): invalid port:-1\n", {}, false},
        {"34 list", 34, {2}, card48, 3,
         "port_cfg_show_port_ddm_info: get_front_port_if_index_list failed, err=3\n", {}, false},
        {"34 in list", 34, {48}, card48, 0,
         std::string("Digital Diagnostics information for the port: 48 \n") + kReportTimeout,
         {11, 47, 0, 0, 0, 0, 0, 0}, false},
        {"34 empty list, port 1", 34, {1}, none, 0,
         std::string("Digital Diagnostics information for the port: 1 \n") + kReportTimeout,
         {11, 0, 0, 0, 0, 0, 0, 0}, true},
        {"34 below count", 34, {10}, three, 0,
         std::string("Digital Diagnostics information for the port: 10 \n") + kReportTimeout,
         {11, 9, 0, 0, 0, 0, 0, 0}, true},
        {"34 at count", 34, {49}, none, 0, "Invalid port number 49\n", {}, true},
        {"34 negative", 34, {static_cast<uint32_t>(-4)}, none, 0, "Invalid port number -4\n", {}, false},
    };
    for (const Case &c : cases) {
        pcfg_sim::reset(c.card);
        pcfg_sim::set_manager_silent(true);
        if (c.list_error != 0) pcfg_sim::fail("get_front_port_if_index_list", c.list_error);
        Params p(c.cmd);
        for (uint32_t port : c.ports) p.num(PCFG_PARAM_PORT, port);
        EXPECT_EQ(run(p), c.text) << c.name;
        const auto sent = calls_named("mts_send");
        EXPECT_EQ(sent.size(), c.sent.empty() ? 0u : 1u) << c.name;
        if (!sent.empty()) {
            EXPECT_EQ(sent[0].payload, c.sent) << c.name;
        }
        const bool typed_nothing = c.cmd >= 33 && c.text.find("invalid port:-1") != std::string::npos;
        EXPECT_EQ(calls_named("get_front_port_if_index_list").size(), typed_nothing ? 0u : 1u) << c.name;
        EXPECT_EQ(calls_named("get_total_lc_front_ports").size(), c.asks_total ? 1u : 0u) << c.name;
    }
}

// The value printed after a counter's name, or 0 when its line is absent.
uint64_t counter(const std::string &text, const std::string &name) {
    const size_t at = text.find("\n" + name + " ");
    return at == std::string::npos ? 0 : std::stoull(text.substr(at + 1 + name.size()));
}

size_t occurrences(const std::string &text, const std::string &what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

TEST_F(PortCmdsTest, CountersOnTheSimulatedCardGrowWithTraffic) {
    pcfg_sim::advance(60);
    const std::string cur1 = command(29, {2});
    const std::string aggr = command(28, {2});
    pcfg_sim::advance(60);
    const std::string cur2 = command(29, {2});
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

TEST_F(PortCmdsTest, ReportAnswersOfTheSimulatedCardAgree) {
    const std::string card = command(16, {});
    EXPECT_EQ(occurrences(card, " | 010"), 48u) << card;
    EXPECT_EQ(occurrences(card, "  2400   |"), 6u) << card;
    EXPECT_NE(card.find(" 13   | 0100C000 | 0028   | 12    | 04    | 4    | 1\n"), std::string::npos);
    EXPECT_NE(card.find(" 02   |  9 - 16  |  2400   |  2112 \n"), std::string::npos);
    const std::string port = command(17, {13}, PCFG_PARAM_RSRC_PORT);
    EXPECT_EQ(occurrences(port, " | 010"), 1u);
    EXPECT_NE(port.find(" 13   | 0100C000 | 0028   | 12    | 04    | 4    | 1\n"), std::string::npos);
    EXPECT_NE(port.find(" 01   |  9 - 16  |  2400   |  2112 \n"), std::string::npos);
    // Port 13 is an E port with four virtual links in every answer.
    const std::string info = command(33, {13});
    EXPECT_NE(info.find("    port_if_index     : 0x100c000\n"), std::string::npos);
    EXPECT_NE(info.find("    vlink_cnt         : 4\n"), std::string::npos);
    EXPECT_EQ(occurrences(info, "port resource vlink info"), 4u);
    EXPECT_NE(info.find("PORT_MODE_E     1             500\n"), std::string::npos);
    const std::string credit = command(19, {13}, PCFG_PARAM_RSRC_PORT);
    EXPECT_NE(credit.find("\n  13  |      |       |     1  |    64  |"), std::string::npos) << credit;
    EXPECT_EQ(occurrences(credit, "  |       |        |"), 4u) << "virtual-link rows";
    const std::string all = command(26, {});
    EXPECT_EQ(occurrences(all, "  |      |       |     1  |"), 48u) << "port rows";
    EXPECT_EQ(all.find("ERROR"), std::string::npos);
    EXPECT_EQ(command(34, {8}),
              "Digital Diagnostics information for the port: 8 \n"
              "     if_index               : 0x1007000\n     alarm_flags            : 0\n"
              "     alarm_clear_flags      : 0\n     warn_flags             : 40\n"
              "     warn_clear_flags       : 0\n");
    pcfg_sim::reset(CardConfig{1, {0, 1, 2}, 3, 48});
    EXPECT_EQ(command(34, {10}), "Digital Diagnostics information for the port: 10 \n"
                                 "                                     port not present  \n");
}

}  // namespace
