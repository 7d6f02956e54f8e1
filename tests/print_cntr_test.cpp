// Port counters display: the counter-name table, the 85 counters of the
// record and every path of the extra-counter TLV walk. Answers reach the
// display through the counter exchange, exactly sized.
#include "support/fixture.h"
#include "support/golden.h"
#include "support/bytes.h"

using namespace pcfg_test;
using pcfg_sim::Reply;
using pcfg_sim::Tlv;

namespace {

class PrintCntrTest : public PcfgTest {
protected:
    // Current counters of port 1, answered with `payload`.
    std::string show(const std::vector<uint8_t> &payload) {
        pcfg_sim::script_reply({Reply::Kind::Answer, 0, payload});
        return run(Params(29).num(PCFG_PARAM_PORT, 1));
    }
};

// A counter answer: status 0, the record, then the TLV array if any.
Bytes answer(const std::vector<Tlv> &tlvs = {}, bool with_array = false) {
    Bytes p(696);
    if (with_array || !tlvs.empty()) p.raw(pcfg_sim::encode_tlv_array(tlvs));
    return p;
}

std::vector<uint8_t> value(uint32_t status, uint64_t v) {
    return Bytes(16).u32(0, 0xAAAAAAAA).u32(4, status).u64(8, v).bytes();
}

std::vector<uint8_t> fec(uint32_t status, uint64_t corrected, uint64_t uncorrected) {
    return Bytes(24).u32(4, status).u64(8, corrected).u64(16, uncorrected).bytes();
}

// One line per row: the offset, then the name with its padding up to "|".
TEST_F(PrintCntrTest, CounterTableNamesArePaddedTo40WithOffsetsOfTheirRow) {
    std::string rows;
    for (uint32_t k = 0; k < 85; ++k) {
        const fc_if_counter_entry_t &row = fcIfAllCounters_tab[k];
        ASSERT_NE(row.name, nullptr) << k;
        char line[64];
        snprintf(line, sizeof line, "%3u %s|\n", static_cast<unsigned>(row.offset), row.name);
        rows += line;
    }
    expect_golden("print/counter_names", rows);
    EXPECT_EQ(fcIfAllCounters_tab[85].name, nullptr);
    EXPECT_EQ(fcIfAllCounters_tab[85].offset, 0u);
}

TEST_F(PrintCntrTest, EveryCounterTlvTypeAndEveryFaultPrintsItsOwnLine) {
    const std::vector<Tlv> tlvs{
        {80, value(0, 3)},       {130, value(42, 9)},      {131, value(0x4029000B, 1)},
        {132, value(0, 11)},     {133, value(0, 12)},      {134, value(0, 0)},
        {135, value(7, 0)},      {134, value(0, 5)},       {161, value(0, 1764950400)},
        {161, value(0x99, 0)},   {168, fec(0, 0, 7)},      {168, fec(0, 4, 0)},
        {168, fec(0x4029000D, 1, 1)}, {168, fec(1, 1, 1)}, {168, value(0, 1)},
        {80, std::vector<uint8_t>(12)}, {100, value(0, 1)}, {81, value(0, 1)},
        {129, value(0, 1)},      {136, value(0, 1)},       {160, value(0, 1)},
        {162, value(0, 1)},      {167, value(0, 1)},
    };
    // Both accessors get the array at payload offset 696 and the constant 1;
    // the walk starts at 0.
    Transcript t;
    t.add("output", show(answer(tlvs))).add("TLV calls", calls_text("tlv_aligned_array_get_num_tlvs") +
                                                          calls_text("tlv_aligned_array_get_next_tlv"));
    expect_golden("print/counter_tlvs", t.str());
}

// Non-zero counters print by name in table order; a short record, an empty
// array and failing accessors.
TEST_F(PrintCntrTest, RecordArrayAndAccessorFaults) {
    Transcript t;
    t.add("all zero: the header alone", show(answer()));
    Bytes p = answer();  // the first counter at payload offset 16, the last at 688
    p.u64(16, 5).u64(16 + 8 * 84, UINT64_MAX).u64(8, 0xFFFF).u64(4, 0xFFFFFFFF);
    t.add("the first counter and the last (20 digits)", show(p));
    pcfg_sim::clear_calls();
    t.add("a byte short", show(Bytes(695)));
    EXPECT_TRUE(pcfg_sim::calls_named("tlv_aligned_array_get_num_tlvs").empty());
    t.add("an empty array", show(answer({}, true)));
    pcfg_sim::clear_calls();
    pcfg_sim::fail("tlv_aligned_array_get_num_tlvs", -3);
    t.add("the count fails", show(answer({{80, value(0, 3)}})));
    EXPECT_TRUE(pcfg_sim::calls_named("tlv_aligned_array_get_next_tlv").empty());
    // The failed call leaves the walk position, so the third call fetches the
    // second TLV.
    pcfg_sim::clear_calls();
    pcfg_sim::fail("tlv_aligned_array_get_next_tlv", -1, 0, 2);
    t.add("the second fetch fails",
          show(answer({{80, value(0, 1)}, {80, value(0, 2)}, {80, value(0, 3)}})));
    EXPECT_EQ(pcfg_sim::calls_named("tlv_aligned_array_get_next_tlv").size(), 3u);
    // An accessor that reports success without placing the value inside the
    // answer counts as a failed fetch.
    pcfg_sim::fail("tlv_aligned_array_get_next_tlv", 0, 0, 1);
    t.add("a fetch outside the answer", show(answer({{80, value(0, 1)}})));
    expect_golden("print/counter_faults", t.str());
}

}  // namespace
