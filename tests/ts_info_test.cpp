// Timestamp settings of a port (command 13): the aligned block, the flag
// and time-difference rules, and the service's failure messages.
#include <array>

#include "support/fixture.h"

using namespace pcfg_test;
using pcfg_sim::Timestamps;

namespace {

class TsInfoTest : public PcfgTest {
protected:
    std::string show(uint32_t typed_port) {
        Params p(13);
        p.num(PCFG_PARAM_PORT, typed_port);
        return run(p);
    }
};

const std::string kHeader1 = "**************** port 1 timestamp information ****************\n\n";

// The block after the flag lines, for the given times.
std::string tail(const std::string &current, const std::string &next, const std::string &diff) {
    return "fast time out value                      = 100 ms\n"
           "normal time out value                    = 500 ms\n"
           "current time                             = " + current + " 10ms\n"
           "new time                                 = " + next + " 10ms\n"
           "time difference (new - current)          = " + diff + " ms\n"
           "time stamp enabled jiffies               = 0x1d4c0\n"
           "time stamp disabled jiffies              = 0x0\n\n";
}

TEST_F(TsInfoTest, ShowsThePortsSettingsAsAnAlignedBlock) {
    pcfg_sim::advance(2);  // the times move on in 10 ms units
    EXPECT_EQ(show(1), kHeader1 +
                           "linecard time stamp enabled              = yes\n\n"
                           "loopback time stamp enabled              = no\n"
                           "receive normal path time stamp enabled   = yes\n"
                           "transmit time out enabled                = yes\n"
                           "transmit force time out enabled          = no\n"
                           "som time out enabled                     = yes\n" +
                           tail("0x249f0c8", "0x249f0fa", "500"));
    EXPECT_EQ(pcfg_sim::calls_named("sse_call").at(0).args, (std::vector<int64_t>{380, 1}));
}

TEST_F(TsInfoTest, FlagsAndTimeDifference) {
    struct Case {
        std::array<uint8_t, 6> flags;
        uint32_t current, next;
        std::string expected;
    };
    const Case cases[] = {
        {{255, 255, 255, 255, 255, 255}, 0x100, 0x0FF, tail("0x100", "0xff", "-10")},
        {{255, 1, 255, 255, 255, 255}, 0x10, 0x20,
         "loopback time stamp enabled              = yes\n" + tail("0x10", "0x20", "160")},
        {{2, 0, 255, 255, 255, 0x80}, 0xFFFFFFF0u, 0x10,  // the clock wrapped
         "linecard time stamp enabled              = yes\n\n"
         "loopback time stamp enabled              = no\n"
         "som time out enabled                     = yes\n" + tail("0xfffffff0", "0x10", "320")},
        {{255, 255, 255, 255, 255, 255}, 0, 0x20000000, tail("0x0", "0x20000000", "1073741824")},
    };
    for (const Case &c : cases) {
        Timestamps ts;
        ts.flags = c.flags;
        ts.current_time = c.current;
        ts.new_time = c.next;
        ASSERT_TRUE(pcfg_sim::set_timestamps(0, ts));
        EXPECT_EQ(show(1), kHeader1 + c.expected);
    }
}

TEST_F(TsInfoTest, ServiceFailuresPrintOneMessage) {
    const std::tuple<int64_t, uint32_t, const char *> cases[] = {  // 0: the platform answers
        {-0x4029000B, 3, "port not present, port = 3 rc = -1076428811\n\n"},
        {-0x40290016, 3, "port access error, port = 3 rc = -1076428822\n\n"},
        {-5, 7, "failed to retrieve time stamp information, port = 7 rc = -5\n\n"},
        {0x4029000B, 7, "failed to retrieve time stamp information, port = 7 rc = 1076428811\n\n"},
        {0, 49, "port not present, port = 49 rc = -1076428811\n\n"},  // a 48-port card
        {0, 0, "port not present, port = 256 rc = -1076428811\n\n"},  // index byte 255
    };
    for (const auto &[rc, typed_port, text] : cases) {
        pcfg_sim::clear_faults();
        if (rc != 0) pcfg_sim::fail("sse_call", rc);
        EXPECT_EQ(show(typed_port), text);
    }
}

TEST_F(TsInfoTest, PortTokens) {
    Params none(13);
    none.bare(PCFG_PARAM_PORT).num(PCFG_PARAM_FEC, 1);
    EXPECT_EQ(run(none), "port_cfg_show_port_ts_info(): invalid port:-1\n");
    EXPECT_TRUE(pcfg_sim::calls_named("sse_call").empty());

    Params last(13);
    last.num(PCFG_PARAM_PORT, 5).num(PCFG_PARAM_PORT, 200).bare(PCFG_PARAM_PORT);
    EXPECT_EQ(run(last), "port not present, port = 200 rc = -1076428811\n\n");
}

}  // namespace
