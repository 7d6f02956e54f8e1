// The stand-in history service and the simulated manager's history: the
// card's start-up history, and what the manager records as it runs.
#include "support/fixture.h"
#include "support/golden.h"

using namespace pcfg_test;

namespace {

class HistoryServiceTest : public PcfgTest {
protected:
    void SetUp() override {
        PcfgTest::SetUp();
        pcfg_sim::reset({.num_ports = 4});
    }
    // Every instance, as its history command shows it.
    std::string instances(std::initializer_list<uint32_t> which = {0, 1, 2, 3, 4, 5, 6, 7}) {
        static const pcfg_cmd_id kCommand[8] = {
            PCFG_CMD_HIST_ERROR_LOG, PCFG_CMD_HIST_PORT_CONTROL, PCFG_CMD_HIST_LINK_EVENTS,
            PCFG_CMD_HIST_TIMESTAMP, PCFG_CMD_HIST_EVENT_LOG,    PCFG_CMD_HIST_MTS_EVENTS,
            PCFG_CMD_HIST_SERDES,    PCFG_CMD_HIST_BW_RESERVATION};
        Transcript t;
        for (uint32_t n : which) t.add("instance " + std::to_string(n), run(Params(kCommand[n])));
        return t.str();
    }
};

// Each instance holds one log: errors, port control, link events,
// timestamps, events, transport messages, serdes control, bandwidth.
TEST_F(HistoryServiceTest, EveryInstanceHoldsTheStartUp) {
    expect_golden("history/service_start_up", instances());
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
