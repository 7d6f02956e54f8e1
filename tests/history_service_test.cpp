// The stand-in history service and the simulated manager's history: the
// card's start-up history, and what the manager records as it runs.
#include "../platform/src/manager_history.h"
#include "support/fixture.h"
#include "support/golden.h"

using namespace pcfg_test;
namespace sim = pcfg_sim::detail;

namespace {

class HistoryServiceTest : public PcfgTest {
protected:
    void SetUp() override {
        PcfgTest::SetUp();
        pcfg_sim::CardConfig config;
        config.num_ports = 4;
        pcfg_sim::reset(config);
    }
    // Every instance, as its history command shows it.
    std::string instances(std::initializer_list<uint32_t> which = {0, 1, 2, 3, 4, 5, 6, 7}) {
        static const pcfg_cmd_id kCommand[8] = {
            PCFG_CMD_HIST_ERROR_LOG, PCFG_CMD_HIST_PORT_CONTROL, PCFG_CMD_HIST_LINK_EVENTS,
            PCFG_CMD_HIST_TIMESTAMP, PCFG_CMD_HIST_EVENT_LOG,    PCFG_CMD_HIST_MTS_EVENTS,
            PCFG_CMD_HIST_SERDES,    PCFG_CMD_HIST_BW_RESERVATION};
        Transcript t;
        for (uint32_t n : which) {
            Params p(kCommand[n]);
            t.add("instance " + std::to_string(n), run(p));
        }
        return t.str();
    }
};

// Each instance holds one log: errors, port control, link events,
// timestamps, events, transport messages, serdes control, bandwidth.
TEST_F(HistoryServiceTest, EveryInstanceHoldsTheStartUp) {
    expect_golden("history/service_start_up", instances());
}

TEST_F(HistoryServiceTest, TheManagerRecordsWhatHappens) {
    pcfg_sim::clear_history();
    pcfg_sim::advance(60);
    const auto &port = sim::card().ports[2];
    sim::hist_on_config(port, 3, 32000, 0x40290009);  // refused
    sim::hist_on_config(port, 44, 1, 0);              // dedicated bandwidth
    sim::hist_on_config(port, 175, 0, 0);             // FEC off
    sim::hist_on_config(port, 25, 16, 0);             // a credit: a text event
    sim::hist_on_admin(port, false);
    sim::hist_on_link(port, false, 37);
    sim::hist_on_offline(port, true);
    sim::hist_on_ts_check(false);
    expect_golden("history/service_manager_records", instances({0, 7, 6, 2, 1, 3, 4}));
}

TEST_F(HistoryServiceTest, TransportMessagesPairRequestsAndReplies) {
    pcfg_sim::clear_history();
    run(Params(PCFG_CMD_CMDS_PROCESSED));
    pcfg_sim::script_reply({pcfg_sim::Reply::Kind::Silence, 0, {}});
    run(Params(PCFG_CMD_CMDS_PROCESSED));
    run(Params(PCFG_CMD_CMDS_PROCESSED));
    expect_golden("history/service_transport", instances({5}));
}

}  // namespace
