// Bandwidth statistics (command 40): rate scaling, the request and answer
// lines, every failure path with its cleanup, and the one heap buffer.
#include <cstdio>
#include <functional>
#include <optional>

#include "support/bytes.h"
#include "support/fixture.h"
#include "support/golden.h"

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
        pcfg_sim::reset({.num_ports = num_ports});
        EXPECT_EQ(library_outstanding(), 0) << "the buffer of the run before is freed";
        heap_reset();
    }
    std::string show() { return run(Params(PCFG_CMD_PERFSTATS)); }
};

// An answer header, then 52-byte records of (if_index, in_bytes, out_bytes).
std::vector<uint8_t> answer(uint32_t status, uint16_t num_ports,
                            std::initializer_list<std::array<uint64_t, 3>> records = {}) {
    Bytes a;
    a.u32(status).u16(0xEEEE).u16(num_ports);
    for (const auto &[if_index, in, out] : records)
        a.u32(0xAAAAAAAA).u32(if_index).raw(std::vector<uint8_t>(20, 0xBB)).u64(in).u64(~0ull).u64(out);
    return a;
}

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

// Every port's rates on the simulated card, the request, the receive options
// and the names asked for (30-byte buffers); 64 ports at most are asked for,
// and a card without front ports still asks.
TEST_F(PerfstatsTest, CardsOfEverySize) {
    reset_card(4);
    Transcript t;
    t.add("4 front ports, interval 60", run(Params(PCFG_CMD_PERFSTATS).num(PCFG_PARAM_INTERVAL, 60)));
    t.add("calls", calls_text());
    EXPECT_EQ(library_allocations(), 1u);
    for (uint32_t ports : {70u, 0u}) {
        reset_card(ports);
        t.add(std::to_string(ports) + " front ports", show());
        t.add("request", hex(calls_named("mts_send").at(0).payload) + "\n");
    }
    expect_golden("cli/perfstats_cards", t.str());
}

// Each answer form, and a failed allocation, with what the run took and
// released: the heap buffer, the messages dropped, the queue closed, and
// whether the bind's errno was asked (every failed platform call and answer
// the manager does not give are in the fault sweep's transcript).
TEST_F(PerfstatsTest, AnswerFormsAndFailuresEachCleanUp) {
    auto overrun = answer(0, 3, {{0x01000000, 0, 0}});
    overrun.resize(overrun.size() + 51);
    const auto reply = [](Reply::Kind kind, std::vector<uint8_t> payload) {
        pcfg_sim::script_reply({kind, 0, std::move(payload)});
    };
    const std::pair<const char *, std::function<void()>> cases[] = {
        {"no memory", [] { heap_fail_next_malloc(); }},
        {"failure status", [&] { reply(Reply::Kind::Answer, answer(5, 2)); }},
        {"too short", [&] { reply(Reply::Kind::Answer, bytes({0, 0, 0, 0, 0, 0, 0})); }},
        {"no ports", [&] { reply(Reply::Kind::Answer, answer(0, 0)); }},
        {"records missing", [&] { reply(Reply::Kind::Answer, overrun); }},
        // Counts above 2^32 count in full; names never go stale (the second
        // is not written).
        {"large counts, a name missing", [&] {
             reply(Reply::Kind::Answer, answer(0, 2, {{0x01000000, 1ull << 32, 4500000000000000ull},
                                                      {0x01001000, 3000000, 0}}));
             pcfg_sim::fail("snprintf_if_index_short", 0, 0, 2);
         }},
    };
    Transcript t;
    for (const auto &[name, arrange] : cases) {
        reset_card(2);
        arrange();
        const std::string text = show();
        t.add(std::string(name) + " (allocations " + std::to_string(library_allocations()) +
                  ", drops " + std::to_string(calls_named("mts_drop").size()) + ", unbinds " +
                  std::to_string(calls_named("mts_unbind").size()) + ", errno asked " +
                  std::to_string(calls_named("mts_errno_get").size()) + ")",
              text);
        EXPECT_EQ(library_outstanding(), 0) << name;
        EXPECT_EQ(pcfg_sim::open_queues() + pcfg_sim::held_messages(), 0) << name;
    }
    expect_golden("cli/perfstats_failures", t.str());
}

// The label notes an interval refused before the platform is reached.
TEST_F(PerfstatsTest, IntervalTokens) {
    const std::pair<const char *, std::vector<std::optional<uint32_t>>> cases[] = {
        {"a token without a value", {std::nullopt}}, {"the last with a value", {10, 20, std::nullopt}},
        {"the largest", {65535}}, {"0", {0}}, {"65536", {65536}}, {"2^31", {0x80000000u}},
    };
    Transcript t;
    for (const auto &[name, tokens] : cases) {
        reset_card(1);
        Params p(PCFG_CMD_PERFSTATS);
        for (const auto &v : tokens) v ? p.num(PCFG_PARAM_INTERVAL, *v) : p.bare(PCFG_PARAM_INTERVAL);
        const std::string text = run(p);
        t.add(std::string(name) + (pcfg_sim::calls().empty() ? ", refused before binding" : ""), text);
    }
    expect_golden("cli/perfstats_intervals", t.str());
}

}  // namespace
