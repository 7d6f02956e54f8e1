// Timestamp settings of a port (command 13): the aligned block, the flag
// and time-difference rules, and the service's failure messages.
#include <array>

#include "support/fixture.h"
#include "support/golden.h"

using namespace pcfg_test;

namespace {

class TsInfoTest : public PcfgTest {
protected:
    std::string show(uint32_t typed_port) {
        return run(Params(PCFG_CMD_PORT_TS_INFO).num(PCFG_PARAM_PORT, typed_port));
    }
};

TEST_F(TsInfoTest, AlignedBlockFlagsAndTimeDifference) {
    Transcript t;
    pcfg_sim::advance(2);  // the times move on in 10 ms units
    t.add("the card's settings, 20 ms on", show(1));
    EXPECT_EQ(pcfg_sim::calls_named("sse_call").at(0).args, (std::vector<int64_t>{380, 1}));
    pcfg_sim::reset();
    // Flags 255 (not supported) hide their line; the difference is signed.
    struct Case {
        const char *name;
        std::array<uint8_t, 6> flags;
        uint32_t current, next;
    };
    const Case cases[] = {
        {"nothing supported, time going back", {255, 255, 255, 255, 255, 255}, 0x100, 0x0FF},
        {"loopback only", {255, 1, 255, 255, 255, 255}, 0x10, 0x20},
        {"the clock wrapped", {2, 0, 255, 255, 255, 0x80}, 0xFFFFFFF0u, 0x10},
        {"a large difference", {255, 255, 255, 255, 255, 255}, 0, 0x20000000},
    };
    for (const Case &c : cases) {
        ASSERT_TRUE(pcfg_sim::set_timestamps(0, {.flags = c.flags, .current_time = c.current, .new_time = c.next}));
        t.add(c.name, show(1));
    }
    expect_golden("cli/ts_info_block", t.str());
}

TEST_F(TsInfoTest, ServiceFailuresAndPortTokens) {
    Transcript t;
    const std::tuple<int64_t, uint32_t> cases[] = {  // 0: the platform answers
        {-0x4029000B, 3}, {-0x40290016, 3}, {-5, 7}, {0x4029000B, 7},
        {0, 49},  // a 48-port card
        {0, 0},   // index byte 255
    };
    for (const auto &[rc, typed_port] : cases) {
        pcfg_sim::clear_faults();
        if (rc != 0) pcfg_sim::fail("sse_call", rc);
        t.add("port " + std::to_string(typed_port) + ", service answers " + std::to_string(rc),
              show(typed_port));
    }
    pcfg_sim::clear_calls();
    t.add("a port token without a value", run(Params(PCFG_CMD_PORT_TS_INFO).bare(PCFG_PARAM_PORT).num(PCFG_PARAM_FEC, 1)));
    EXPECT_TRUE(pcfg_sim::calls_named("sse_call").empty());
    t.add("the last port token with a value counts",
          run(Params(PCFG_CMD_PORT_TS_INFO).num(PCFG_PARAM_PORT, 5).num(PCFG_PARAM_PORT, 200).bare(PCFG_PARAM_PORT)));
    expect_golden("cli/ts_info_failures", t.str());
}

}  // namespace
