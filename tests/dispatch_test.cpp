// Command dispatcher: identifiers and report requests (each history
// instance shows in the fault sweep's transcript of the history commands).
#include <optional>
#include <set>

#include "support/fixture.h"
#include "support/golden.h"

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

TEST_F(DispatchTest, IdentifiersOutsideTheTableOrUnassignedAreInvalid) {
    std::set<int> assigned;
    for (const pcfg_cmd_info &c : pcfg_cmd_list) assigned.insert(c.id);
    for (int64_t n = -1; n <= 46; ++n) {
        const int32_t id = n == 46 ? INT32_MIN : static_cast<int32_t>(n);
        if (assigned.contains(id)) continue;
        char expected[64];
        snprintf(expected, sizeof expected, "Invalid cmd_id = 0x%x\n", static_cast<unsigned>(id));
        EXPECT_EQ(run(Params::raw(id)), expected) << "id " << id;
    }
    EXPECT_TRUE(pcfg_sim::calls().empty()) << "invalid identifiers reach no platform service";
}

// Commands 10, 11 (commands processed, then history instances 0 to 6, the
// manager silent or not) and 18, each on a fresh card; the requests sent and
// the instances shown.
TEST_F(DispatchTest, CommandsProcessedHistoriesAndEvents) {
    const auto ten = PCFG_CMD_CMDS_PROCESSED, eleven = PCFG_CMD_CMDS_PROCESSED_HISTORY,
               events = PCFG_CMD_EVENTS;
    Transcript t;
    const auto step = [&](const char *name, pcfg_cmd_id id) {  // then a fresh card
        t.add(name, run(Params(id))).add("sent", calls_text("mts_send"));
        t.add("shown", calls_text("sdstub_show_hist_inst"));
        pcfg_sim::reset(), pcfg_sim::clear_history();
    };
    step("10", ten);
    pcfg_sim::script_reply({pcfg_sim::Reply::Kind::Answer, 0, bytes({0, 0, 0, 8, 0xAA, 0xBB, 0, 0,
                                                                     0xFF, 0xFF, 0xFF, 0xFE})});
    step("10, the count is the u16 at body offset 2", ten);
    step("11", eleven);
    pcfg_sim::set_manager_silent(true);
    step("11, the manager silent", eleven);
    pcfg_sim::script_reply({pcfg_sim::Reply::Kind::Answer, 0, bytes({6, 0, 0, 0, 0, 0, 0, 2, 1, 2})});
    step("18", events);
    // Bodies too short for their count (after the 8-byte header).
    const auto short_body = [&](const char *name, pcfg_cmd_id id, std::vector<uint8_t> body) {
        body.insert(body.begin(), 8, 0);
        pcfg_sim::script_reply({pcfg_sim::Reply::Kind::Answer, 0, body});
        step(name, id);
    };
    short_body("10, a body of 3 bytes", ten, {0, 0, 7});
    short_body("10, no body", ten, {});
    short_body("18, a body of 1 byte", events, {1});
    expect_golden("cli/dispatch_reports", t.str());
}

// Report requests carry the type and the port byte: the low 8 bits of the
// port index, 255 for none.
TEST_F(DispatchTest, ReportRequestsCarryTypeAndPortByte) {
    using Tokens = std::vector<std::pair<int, std::optional<uint32_t>>>;  // param id, typed number
    const std::pair<pcfg_cmd_id, Tokens> cases[] = {
        {PCFG_CMD_RSRC_CARD, {}}, {PCFG_CMD_RSRC_CARD, {{17, 9}}},
        {PCFG_CMD_RSRC_PORT, {{17, 5}}}, {PCFG_CMD_RSRC_PORT, {{17, 300}}},
        {PCFG_CMD_RSRC_PORT, {{12, 8}, {17, 2}, {17, 7}}}, {PCFG_CMD_CREDIT_TBL, {{17, 3}}},
        {PCFG_CMD_CREDIT_TBL, {}}, {PCFG_CMD_CREDIT_TBL, {{17, 0}}},
        {PCFG_CMD_CREDIT_TBL, {{17, std::nullopt}}}, {PCFG_CMD_CREDIT_TBL_2, {{17, 48}}},
        {PCFG_CMD_CREDIT_TBL_2, {}}, {PCFG_CMD_CREDIT_TBL_2, {{17, 0}}},
    };
    Transcript t;
    for (const auto &[id, tokens] : cases) {
        pcfg_sim::clear_calls();
        Params p(id);
        std::string name = "command " + std::to_string(id);
        for (auto [param, v] : tokens) {
            v ? p.num(param, *v) : p.bare(param);
            name += " " + std::to_string(param) + (v ? "=" + std::to_string(*v) : "");
        }
        run(p);
        t.add(name, calls_text("mts_send"));
    }
    expect_golden("cli/dispatch_report_requests", t.str());
}

TEST_F(DispatchTest, ResourceTablesOfOnePortNeedAPort) {
    const char *refused = "Error getting port number";
    EXPECT_EQ(run(Params(PCFG_CMD_RSRC_PORT)), refused);
    EXPECT_EQ(run(Params(PCFG_CMD_RSRC_PORT).num(17, 0)), refused);
    // The first token with id 17 counts, and it has no value.
    EXPECT_EQ(run(Params(PCFG_CMD_RSRC_PORT).bare(17).num(17, 4)), refused);
    EXPECT_EQ(run(Params(PCFG_CMD_RSRC_PORT).num(12, 4)), refused);
    EXPECT_TRUE(calls_named("mts_send").empty());
}

// The walk stops at the token count and at a null entry; a count beyond the
// list is walked up to its null pointer.
TEST_F(DispatchTest, TokenWalkStopsAtTheTokenCountAndAtANullEntry) {
    run(Params(PCFG_CMD_CREDIT_TBL).num(17, 5).count(0));
    Params nulled(PCFG_CMD_CREDIT_TBL);
    nulled.num(12, 1).num(17, 5).block()->tokens[0] = nullptr;
    run(nulled);
    run(Params(PCFG_CMD_CREDIT_TBL).num(17, 6).count(255));
    expect_golden("cli/dispatch_token_walk", calls_text("mts_send"));
}

}  // namespace
