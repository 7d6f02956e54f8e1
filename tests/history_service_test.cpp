// The stand-in history service and the simulated manager's history: the
// card's start-up history, and what the manager records as it runs.
#include "../platform/src/manager_history.h"
#include "support/fixture.h"

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
    // What the history command of an instance prints.
    std::string instance(uint32_t n) {
        static const int kCommand[8] = {4, 5, 6, 7, 8, 9, 14, 35};
        Params p(kCommand[n]);
        return run(p);
    }
};

const std::string kSp28(28, ' ');

TEST_F(HistoryServiceTest, EveryInstanceHoldsOneLogFromTheStart) {
    // Title, then how many lines the instance has in all.
    const std::vector<std::pair<std::string, long>> shown{
        {"*************** Port Config Error Log ***************\n", 1 + 3 + 3},
        {"*************** Port Config Port Control Log ***************\n", 1 + 3 + 7},
        {"*************** Port Config Link Events Log ***************\n", 1 + 3 + 13},
        {"*************** Port Config Timestamp Log ***************\n", 1 + 3 + 3},
        {"*************** Port Config Event Log ***************\n\n", 2 + 2 * 3},
        {"********** Port Config MTS Event Log **********\n\n", 2 + 3 + 3},
        {"*************** Port Config Serdes Control Log ***************\n", 1 + 3 + 9},
        {"*************** Port Config Port Control Log ***************\n", 1 + 3 + 3},
    };
    for (uint32_t n = 0; n < 8; ++n) {
        const std::string text = instance(n);
        EXPECT_EQ(text.rfind(shown[n].first, 0), 0u) << "instance " << n << "\n" << text;
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), shown[n].second)
            << "instance " << n << "\n" << text;
    }
}

TEST_F(HistoryServiceTest, StartUpErrorsAndLinkEvents) {
    const std::string head = "----" + kSp28 + "------  --------                  -------\n";
    EXPECT_EQ(instance(0),
              "*************** Port Config Error Log ***************\n" + head + "Time" + kSp28 +
                  "PortNo  TLV Type                  ErrCode\n" + head +
                  "Dec  5 15:55:12 2025  00000024  fc1/2   Unknown (0x000000af)      FEC not supported at this speed\n"
                  "Dec  5 15:56:30 2025  00000032  fc1/4   Port Enable: 0x7          invalid argument\n"
                  "Dec  5 15:57:00 2025  00000040  fc1/1   Admin Port Speed          value out of range\n");
    const std::string dash = "----" + kSp28 + "------        -----  -----  ------\n";
    EXPECT_EQ(instance(2),
              "*************** Port Config Link Events Log ***************\n" + dash + "Time" +
                  kSp28 + "PortNo        Speed  Event  Reason\n" + dash +
                  "Dec  5 15:55:03 2025  00000015  fc1/1          16G    UP    Not FL                  \n"
                  "Dec  5 15:55:03 2025  00000016  fc1/2          16G    UP    FL                      \n"
                  "Dec  5 15:55:03 2025  00000017  fc1/3          16G    UP    Not FL                  \n"
                  "Dec  5 15:55:03 2025  00000018  fc1/4          16G    UP    Not FL                  \n"
                  "Dec  5 15:55:12 2025  00000023  fc1/1          ---   FEC_UP neg-succ                \n"
                  "Dec  5 15:55:12 2025  00000025  fc1/2          ---   FEC_DN neg-fail                \n"
                  "Dec  5 15:56:00 2025  00000026  fc1/3          ---   DOWN   link reset occurred     \n"
                  "Dec  5 15:56:00 2025  00000029  fc1/3          16G    LR    Success                 \n"
                  "Dec  5 15:56:01 2025  00000030  fc1/3          16G    UP    Not FL                  \n"
                  "Dec  5 15:56:30 2025  00000031  fc1/4          ---   DOWN   transceiver removed     \n"
                  "Dec  5 15:56:31 2025  00000035  fc1/4          16G    LR    Failed                  \n"
                  "Dec  5 15:56:35 2025  00000038  fc1/4          16G    LR    Success                 \n"
                  "Dec  5 15:56:36 2025  00000039  fc1/4          16G    UP    Not FL                  \n");
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
    auto line = [](int n, const std::string &rest) {
        char stamp[40];
        snprintf(stamp, sizeof stamp, "Dec  5 16:01:00 2025  %08d  ", n);
        return stamp + rest + "\n";
    };
    auto lines_of = [this](uint32_t n) {  // the data lines only
        std::string text = instance(n);
        for (int skip = 0; skip < 4; ++skip) text.erase(0, text.find('\n') + 1);
        return text;
    };
    EXPECT_EQ(lines_of(0), line(1, "fc1/3   Admin Port Speed          value out of range"));
    EXPECT_EQ(lines_of(7), line(2, "fc1/3   Bandwidth config    None                "));
    EXPECT_EQ(lines_of(6), line(3, "fc1/3   Disable             None                ") +
                               line(7, "fc1/3   Disable             None                "));
    EXPECT_EQ(lines_of(2), line(4, "fc1/3          ---   FEC_DN neg-fail                ") +
                               line(8, "fc1/3          ---   DOWN   port disabled           "));
    EXPECT_EQ(lines_of(1), line(6, "fc1/3   Disable             None                ") +
                               line(9, "fc1/3   Offline, blocked    None                "));
    EXPECT_EQ(lines_of(3), line(10, "Disable TS Check                            "));
    EXPECT_EQ(instance(4), "*************** Port Config Event Log ***************\n\n"
                           "Timestamp: Dec  5 16:01:00 2025  00000005\n"
                           "fc1/3: configuration type 25 set to 16 (0x10)\n\n");
}

TEST_F(HistoryServiceTest, TransportMessagesPairRequestsAndReplies) {
    pcfg_sim::clear_history();
    Params cmds(10);
    run(cmds);
    pcfg_sim::script_reply({pcfg_sim::Reply::Kind::Silence, 0, {}});
    run(cmds);
    run(cmds);
    const std::string dash = "----" + kSp28 + "------    ------    ------\n";
    EXPECT_EQ(instance(5),
              "********** Port Config MTS Event Log **********\n\n" + dash + "Time" + kSp28 +
                  "Action    RR_tkn    Opcode\n" + dash +
                  "Dec  5 16:00:00 2025  00000001  MTS_RECV  1000      MTS_OPC_PCFG_CLI_REQ\n"
                  "Dec  5 16:00:00 2025  00000002  MTS_SEND  1000      MTS_OPC_PCFG_CLI_REQ\n"
                  "Dec  5 16:00:00 2025  00000003  MTS_RECV  1001      MTS_OPC_PCFG_CLI_REQ\n"
                  "Dec  5 16:00:00 2025  00000004  MTS_RECV  1002      MTS_OPC_PCFG_CLI_REQ\n"
                  "Dec  5 16:00:00 2025  00000005  MTS_SEND  1002      MTS_OPC_PCFG_CLI_REQ\n");
}

}  // namespace
