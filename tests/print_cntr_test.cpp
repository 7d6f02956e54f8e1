// Port counters display: the counter-name table, the 85 counters of the
// record and every path of the extra-counter TLV walk. Answers reach the
// display through the counter exchange, exactly sized.
#include <sstream>

#include "support/fixture.h"
#include "support/payload.h"

using namespace pcfg_test;
using pcfg_sim::Reply;
using pcfg_sim::Tlv;

namespace {

class PrintCntrTest : public PcfgTest {
protected:
    // Current counters of port 1, answered with `payload`; the banner is cut.
    std::string show(const std::vector<uint8_t> &payload) {
        pcfg_sim::script_reply({Reply::Kind::Answer, 0, payload});
        Params p(29);
        p.num(PCFG_PARAM_PORT, 1);
        const std::string text = run(p);
        const std::string banner =
            "**************** port 1 current counters information ****************\n\n";
        EXPECT_EQ(text.substr(0, banner.size()), banner);
        return text.substr(banner.size());
    }
};

const std::string kHeader = "COUNTER NAME\t\t\t\t DECIMAL VALUE\n------------\t\t\t\t---------------\n";

// A counter answer: status 0, the record, then the TLV array if any.
Payload answer(const std::vector<Tlv> &tlvs = {}, bool with_array = false) {
    Payload p(696);
    if (with_array || !tlvs.empty()) p.append(pcfg_sim::encode_tlv_array(tlvs));
    return p;
}

std::vector<uint8_t> value(uint32_t status, uint64_t v) {
    return Payload(16).u32(0, 0xAAAAAAAA).u32(4, status).u64(8, v).bytes();
}

std::vector<uint8_t> fec(uint32_t status, uint64_t corrected, uint64_t uncorrected) {
    return Payload(24).u32(4, status).u64(8, corrected).u64(16, uncorrected).bytes();
}

TEST_F(PrintCntrTest, CounterTableNamesArePaddedTo40WithOffsetsOfTheirRow) {
    const std::string names =
        "fcIfC2InFrames fcIfC2OutFrames fcIfC2InOctetss fcIfC2OutOctets fcIfC2Discards "
        "fcIfC2FbsyFrames fcIfC2FrjtFrames fcIfC2PBSYFrames fcIfC2PRJTFrames fcIfC3InFrames "
        "fcIfC3OutFrames fcIfC3InOctets fcIfC3OutOctets fcIfC3Discards fcIfCfInFrames "
        "fcIfCfOutFrames fcIfCfInOctets fcIfCfOutOctets fcIfCfDiscards fcIfLinkFailures "
        "fcIfSyncLosses fcIfSigLosses fcIfPrimSeqProtoErrors fcIfInvalidTxWords fcIfInvalidCrcs "
        "fcIfDelimiterErrors fcIfAddressIdErrors fcIfLinkResetIns fcIfLinkResetOuts fcIfOlsIns "
        "fcIfOlsOuts fcIfRuntFramesIn fcIfJabberFramesIn fcIfTxWaitCount fcIfFramesTooLong "
        "fcIfFramesTooShort fcIfLRRIn fcIfLRROut fcIfNOSIn fcIfNOSOut fcIfFragFrames "
        "fcIfEOFaFrames fcIfUnknownClassFrames fcIf8b10bDisparityErrors fcIfFramesDiscard "
        "fcIfELPFailures fcIfTxBBCreditTransistionToZero fcIfRxBBCreditTransistionToZero "
        "fcIfEISLFramesDiscard fcIfFramingErrorFrames ifInMulticastPkts ifInBroadcastPkts "
        "ifOutMulticastPkts ifOutBroadcastPkts ifHCInOctets ifHCInUcastPkts ifHCInMulticastPkts "
        "ifHCInBroadcastPkts ifHCOutOctets ifHCOutUcastPkts ifHCOutMulticastPkts "
        "ifHCOutBroadcastPkts ifInOctets ifInUcastPkts ifInNUcastPkts ifInDiscards ifInErrors "
        "ifInUnknownProtos ifOutOctets ifOutUcastPkts ifOutNUcastPkts ifOutDiscards ifOutErrors "
        "fcIfLipF8In fcIfLipF8Out fcIfNonLipF8In fcIfNonLipF8Out fcIfInFrames fcIfInOctets "
        "fcIfInDiscards fcIfOutFrames fcIfOutOctets fcIfOutDiscards fcIfInErrors fcIfOutErrors";
    std::istringstream in(names);
    std::string name;
    uint32_t k = 0;
    for (; in >> name; ++k) {
        const fc_if_counter_entry_t &row = fcIfAllCounters_tab[k];
        ASSERT_NE(row.name, nullptr) << k;
        EXPECT_EQ(std::string(row.name), name + std::string(40 - name.size(), ' ')) << k;
        EXPECT_EQ(row.offset, 8 * (k + 1)) << name;
    }
    EXPECT_EQ(k, 85u);
    EXPECT_EQ(fcIfAllCounters_tab[85].name, nullptr);
    EXPECT_EQ(fcIfAllCounters_tab[85].offset, 0u);
}

TEST_F(PrintCntrTest, NonZeroCountersPrintByNameInTableOrder) {
    // All zero: the header alone.
    EXPECT_EQ(show(answer()), kHeader);
    // The first counter at payload offset 16, the last (20 digits) at 688.
    Payload p = answer();
    p.u64(16, 5).u64(16 + 8 * 84, UINT64_MAX).u64(8, 0xFFFF).u64(4, 0xFFFFFFFF);
    EXPECT_EQ(show(p), kHeader +
                           "fcIfC2InFrames                                        5\n"
                           "fcIfOutErrors                           18446744073709551615\n");
}

TEST_F(PrintCntrTest, ShortAnswerIsRejectedAfterTheHeader) {
    EXPECT_EQ(show(Payload(695)),
              kHeader + "ERROR: Invalid payload size 695 expected size 696 \n");
    EXPECT_TRUE(pcfg_sim::calls_named("tlv_aligned_array_get_num_tlvs").empty());
}

TEST_F(PrintCntrTest, EveryCounterTlvTypeAndEveryFaultPrintsItsOwnLine) {
    const std::vector<Tlv> tlvs{
        {80, value(0, 3)},
        {130, value(42, 9)},
        {131, value(0x4029000B, 1)},
        {132, value(0, 11)},
        {133, value(0, 12)},
        {134, value(0, 0)},
        {135, value(7, 0)},
        {134, value(0, 5)},
        {161, value(0, 1764950400)},
        {161, value(0x99, 0)},
        {168, fec(0, 0, 7)},
        {168, fec(0, 4, 0)},
        {168, fec(0x4029000D, 1, 1)},
        {168, fec(1, 1, 1)},
        {168, value(0, 1)},
        {80, std::vector<uint8_t>(12)},
        {100, value(0, 1)},
        {81, value(0, 1)},
        {129, value(0, 1)},
        {136, value(0, 1)},
        {160, value(0, 1)},
        {162, value(0, 1)},
        {167, value(0, 1)},
    };
    EXPECT_EQ(show(answer(tlvs)),
              kHeader +
                  "fcIfTxFaults                                          3\n"
                  "Invalid status 2a \n"
                  "fcIfTimeoutDiscards                                       port not present  \n"
                  "fcIfForceTimeoutOn                             11\n"
                  "fcIfForceTimeoutOff                             12\n"
                  "BB RxWtAvgCreditTrans:  Invalid status 7 \n"
                  "fcIfTxWtAvgBBCreditTransistiontoZero              5\n"
                  "timestamp                                    1764950400\n"
                  "fcITimestamp_t :  Invalid status 99 \n"
                  "fcIfFecUncorrectedBlks                                 7\n"
                  "fcIfFecCorrectedBlks                                   4\n"
                  "FEC counters                                       FEC not supported at this speed  \n"
                  "fcIfFec Counters :  Invalid status 1 \n"
                  "ERROR: Invalid tlv size 16 expected size 24 \n"
                  "ERROR: Invalid tlv size 12 expected size 16 \n"
                  "ERROR: Invalid TLV type 100 \n"
                  "ERROR: Invalid TLV type 81 \n"
                  "ERROR: Invalid TLV type 129 \n"
                  "ERROR: Invalid TLV type 136 \n"
                  "ERROR: Invalid TLV type 160 \n"
                  "ERROR: Invalid TLV type 162 \n"
                  "ERROR: Invalid TLV type 167 \n");
    // Both accessors get the array at payload offset 696 and the constant 1.
    const auto num = pcfg_sim::calls_named("tlv_aligned_array_get_num_tlvs");
    ASSERT_EQ(num.size(), 1u);
    EXPECT_EQ(num[0].args, (std::vector<int64_t>{1, 1}));
    const auto next = pcfg_sim::calls_named("tlv_aligned_array_get_next_tlv");
    ASSERT_EQ(next.size(), tlvs.size());
    EXPECT_EQ(next[0].args, (std::vector<int64_t>{1, 1, 1, 1, 1, 0})) << "walk starts at 0";
}

TEST_F(PrintCntrTest, AnEmptyArrayPrintsNothingMore) {
    EXPECT_EQ(show(answer({}, true)), kHeader);
    pcfg_sim::fail("tlv_aligned_array_get_num_tlvs", -3);
    EXPECT_EQ(show(answer({{80, value(0, 3)}})), kHeader);
    EXPECT_TRUE(pcfg_sim::calls_named("tlv_aligned_array_get_next_tlv").empty());
}

TEST_F(PrintCntrTest, AFailedFetchIsReportedAndTheWalkGoesOn) {
    const std::vector<Tlv> three{{80, value(0, 1)}, {80, value(0, 2)}, {80, value(0, 3)}};
    const std::string one = "fcIfTxFaults                                          1\n";
    // The failed call leaves the walk position, so the third call fetches
    // the second TLV.
    const std::string two = "fcIfTxFaults                                          2\n";
    pcfg_sim::fail("tlv_aligned_array_get_next_tlv", -1, 0, 2);
    EXPECT_EQ(show(answer(three)),
              kHeader + one + "ERROR: Unable to retreive data: current tlv 2 num tlvs 3 \n" + two);
    EXPECT_EQ(pcfg_sim::calls_named("tlv_aligned_array_get_next_tlv").size(), 3u);
    // An accessor that reports success without placing the value inside the
    // answer counts as a failed fetch.
    pcfg_sim::fail("tlv_aligned_array_get_next_tlv", 0, 0, 1);
    EXPECT_EQ(show(answer({{80, value(0, 1)}})),
              kHeader + "ERROR: Unable to retreive data: current tlv 1 num tlvs 1 \n");
}

}  // namespace
