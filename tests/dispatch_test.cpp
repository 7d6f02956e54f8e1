// Command dispatcher: identifiers, history instances and report requests.
#include <set>

#include "support/fixture.h"

using namespace pcfg_test;
using pcfg_sim::calls_named;

namespace {

class DispatchTest : public PcfgTest {
protected:
    void SetUp() override {
        PcfgTest::SetUp();
        pcfg_sim::clear_history();  // only what the commands themselves record
    }
};

// The manager's transport history of one report exchange with token 1000
// (instance 5), as command 11 shows it.
std::string mts_history(bool answered) {
    const std::string dash = "----" + std::string(28, ' ') + "------    ------    ------\n";
    std::string out = "********** Port Config MTS Event Log **********\n\n" + dash + "Time" +
                      std::string(28, ' ') + "Action    RR_tkn    Opcode\n" + dash +
                      "Dec  5 16:00:00 2025  00000001  MTS_RECV  1000      MTS_OPC_PCFG_CLI_REQ\n";
    if (answered)
        out += "Dec  5 16:00:00 2025  00000002  MTS_SEND  1000      MTS_OPC_PCFG_CLI_REQ\n";
    return out;
}

// The report requests sent so far, as {req_type, port byte}.
std::vector<std::pair<int, int>> report_requests() {
    std::vector<std::pair<int, int>> out;
    for (const auto &c : calls_named("mts_send")) {
        EXPECT_EQ(c.args[3], 435);
        EXPECT_EQ(c.payload.size(), 8u);
        if (c.payload.size() == 8) {
            EXPECT_EQ(std::vector<uint8_t>(c.payload.begin() + 2, c.payload.end()),
                      std::vector<uint8_t>(6, 0));
            out.emplace_back(c.payload[0], c.payload[1]);
        }
    }
    return out;
}

// The history instances shown, in order.
std::vector<int64_t> history_instances() {
    std::vector<int64_t> out;
    for (const auto &c : calls_named("sdstub_show_hist_inst")) out.push_back(c.args[4]);
    return out;
}

TEST_F(DispatchTest, IdentifiersOutsideTheTableOrUnassignedAreInvalid) {
    const std::set<int> unassigned{12, 15, 20, 21, 22, 23, 24, 25, 27, 32, 36, 37, 38, 39};
    for (int id = -1; id <= 45; ++id) {
        if (id >= 4 && id <= 41 && !unassigned.contains(id)) continue;
        Params p(id);
        char expected[64];
        snprintf(expected, sizeof expected, "Invalid cmd_id = 0x%x\n", static_cast<unsigned>(id));
        EXPECT_EQ(run(p), expected) << "id " << id;
    }
    EXPECT_EQ(out([] {
                  Params p(INT32_MIN);
                  port_cfg_cli_main(p.block());
              }),
              "Invalid cmd_id = 0x80000000\n");
    EXPECT_TRUE(pcfg_sim::calls().empty()) << "invalid identifiers reach no platform service";
}

TEST_F(DispatchTest, HistoryCommandsShowTheirInstanceWithTheManagerAddress) {
    const std::vector<std::pair<int, int>> table{{4, 0}, {5, 1}, {6, 2},  {7, 3},
                                                 {8, 4}, {9, 5}, {14, 6}, {35, 7}};
    for (auto [id, instance] : table) {
        pcfg_sim::clear_calls();
        Params p(id);
        p.num(PCFG_PARAM_PORT, 3);  // tokens pass through unread
        EXPECT_EQ(run(p), "");
        const auto shown = calls_named("sdstub_show_hist_inst");
        ASSERT_EQ(shown.size(), 1u) << "id " << id;
        // params given, node, SAP, history 173, instance, 0
        EXPECT_EQ(shown[0].args, (std::vector<int64_t>{1, 0xfe000000, 902, 173, instance, 0}))
            << "id " << id;
        EXPECT_EQ(call_names(), std::vector<std::string>{"sdstub_show_hist_inst"});
    }
}

TEST_F(DispatchTest, CommandsProcessedPrintsTheManagersCount) {
    Params p(10);
    EXPECT_EQ(run(p), "cmds processed: 1\n");
    EXPECT_EQ(report_requests(), (std::vector<std::pair<int, int>>{{1, 0}}));
    pcfg_sim::script_reply({pcfg_sim::Reply::Kind::Answer, 0, bytes({0, 0, 0, 8, 0xAA, 0xBB, 0, 0,
                                                                     0xFF, 0xFF, 0xFF, 0xFE})});
    EXPECT_EQ(run(p), "cmds processed: 65534\n") << "the count is the u16 at body offset 2";
}

TEST_F(DispatchTest, CommandsProcessedThenHistoriesZeroToSix) {
    Params p(11);
    EXPECT_EQ(run(p), "cmds processed: 1\n\n" + mts_history(true));
    EXPECT_EQ(history_instances(), (std::vector<int64_t>{0, 1, 2, 3, 4, 5, 6}));
}

TEST_F(DispatchTest, CommandElevenShowsHistoriesEvenWhenTheManagerIsSilent) {
    pcfg_sim::set_manager_silent(true);
    Params p(11);
    EXPECT_EQ(run(p), "Timed out waiting for response from LC Port Cfg\n" + mts_history(false));
    EXPECT_EQ(history_instances(), (std::vector<int64_t>{0, 1, 2, 3, 4, 5, 6}));
}

TEST_F(DispatchTest, ManagerEventsPrintsTheNotImplementedLine) {
    pcfg_sim::script_reply({pcfg_sim::Reply::Kind::Answer, 0,
                            bytes({6, 0, 0, 0, 0, 0, 0, 2, 0x01, 0x02})});
    Params p(18);
    EXPECT_EQ(run(p), "Command not implemented yet, events=258\n");
    EXPECT_EQ(report_requests(), (std::vector<std::pair<int, int>>{{6, 0}}));
}

TEST_F(DispatchTest, ReportRequestsCarryTypeAndPortByte) {
    struct Case {
        int id;
        std::vector<std::pair<int, uint32_t>> tokens;  // param id, typed number
        bool bare_port = false;                       // port token without a value
        std::pair<int, int> request;
    };
    const std::vector<Case> cases{
        {16, {}, false, {4, 0}},
        {16, {{17, 9}}, false, {4, 0}},
        {17, {{17, 5}}, false, {5, 4}},
        {17, {{17, 300}}, false, {5, 43}},  // low 8 bits of 299
        {17, {{12, 8}, {17, 2}, {17, 7}}, false, {5, 1}},
        {19, {{17, 3}}, false, {8, 2}},
        {19, {}, false, {8, 255}},
        {19, {{17, 0}}, false, {8, 255}},
        {19, {}, true, {8, 255}},
        {26, {{17, 48}}, false, {9, 47}},
        {26, {}, false, {9, 255}},
        {26, {{17, 0}}, false, {9, 255}},
    };
    for (const Case &c : cases) {
        pcfg_sim::clear_calls();
        Params p(c.id);
        if (c.bare_port) p.bare(17);
        for (auto [id, v] : c.tokens) p.num(id, v);
        run(p);
        EXPECT_EQ(report_requests(), (std::vector<std::pair<int, int>>{c.request}))
            << "command " << c.id;
    }
}

TEST_F(DispatchTest, ResourceTablesOfOnePortNeedAPort) {
    const std::vector<Params *> none;
    Params no_token(17), zero(17), bare(17), other(17);
    zero.num(17, 0);
    bare.bare(17).num(17, 4);  // the first token with id 17 counts, and it has no value
    other.num(12, 4);
    for (Params *p : {&no_token, &zero, &bare, &other}) {
        EXPECT_EQ(run(*p), "Error getting port number");
    }
    EXPECT_TRUE(calls_named("mts_send").empty());
}

TEST_F(DispatchTest, TokenWalkStopsAtTheTokenCountAndAtANullEntry) {
    Params counted(19);
    counted.num(17, 5).count(0);
    run(counted);
    Params nulled(19);
    nulled.num(12, 1).num(17, 5);
    nulled.block()->tokens[0] = nullptr;  // a null entry ends the walk
    run(nulled);
    Params huge(19);
    huge.num(17, 6).count(255);  // more than the list holds: walked up to its null pointer
    run(huge);
    EXPECT_EQ(report_requests(), (std::vector<std::pair<int, int>>{{8, 255}, {8, 255}, {8, 5}}));
}

}  // namespace
