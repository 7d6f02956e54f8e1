// Inputs at the edges that the coverage measurement found untried: answers
// too short for their printer, null records and timestamps handed to the
// history formatter, damaged event-log records, a full token list, tables
// in an unusual order, and the reader's failure paths.
#include <cstring>

#include "cli/exchange.h"
#include "common/be_reader.h"
#include "history/summary_record.h"
#include "support/fixture.h"
#include "support/bytes.h"

using namespace pcfg_test;
using pcfg_sim::Reply;

namespace {

class EdgeCasesTest : public PcfgTest {};

TEST_F(EdgeCasesTest, CountAnswersTooShortForTheirCountAreReported) {
    struct Case {
        int32_t cmd;
        std::vector<uint8_t> body;
        const char *text;
    };
    const std::vector<Case> cases = {
        {10, {0, 0, 7}, "ERROR: Invalid body size 3 expected size 4 \n"},
        {10, {}, "ERROR: Invalid body size 0 expected size 4 \n"},
        {18, {1}, "ERROR: Invalid body size 1 expected size 2 \n"},
        {10, {0, 0, 0, 7}, "cmds processed: 7\n"},
        {18, {1, 2}, "Command not implemented yet, events=258\n"},
    };
    for (const Case &c : cases) {
        std::vector<uint8_t> payload(8, 0);  // the header, never read
        payload.insert(payload.end(), c.body.begin(), c.body.end());
        pcfg_sim::script_reply({Reply::Kind::Answer, 0, payload});
        Params p(c.cmd);
        EXPECT_EQ(run(p), c.text) << c.cmd;
    }
}

TEST_F(EdgeCasesTest, CounterExchangeWithoutPrinterReleasesTheAnswer) {
    const std::array<uint8_t, kPortCntrReqLen> req{0, 0, 0, 0, 1, 0x01, 0x00, 0x00, 0x00};
    int rc = -1;
    EXPECT_EQ(out([&] { rc = pcfg_mts_send_rcv_port_cntr(req.data(), nullptr); }), "");
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(pcfg_sim::calls_named("mts_drop").size(), 1u);
}

// A history service may hand over a record or a timestamp that is not
// there: every field reads as 0 and the time column shows the epoch.
TEST_F(EdgeCasesTest, HistoryRecordsAndTimestampsThatAreNotThere) {
    const std::string epoch = "Jan  1 00:00:00 1970  00000000  ";
    struct Case {
        uint32_t event;
        std::string line;
    };
    const std::vector<Case> cases = {
        {0, epoch + "0x00000000Unknown (0000000000)      None          "},
        {1, epoch + "0x00000000Enable              None                "},
        {12, "Timestamp: Jan  1 00:00:00 1970  00000000\n\n\n"},
        {13, epoch + "MTS_RECV  0         0"},
        {16, epoch + "0x00000000Unrecognized        None                "},
    };
    for (const Case &c : cases) {
        std::string text;
        int rc = -1;
        text = out([&] { rc = port_cfg_history_cli(nullptr, 0, 0xad0000u | c.event, nullptr, 0); });
        EXPECT_EQ(text, c.line) << c.event;
        EXPECT_EQ(rc, static_cast<int>(c.line.size())) << c.event;
    }
}

struct Tlv {
    uint8_t type;
    std::vector<uint8_t> value;
};

// A logged set-port-configuration request of one port entry.
std::vector<uint8_t> one_entry(uint32_t if_index, uint8_t num_cfg, const std::vector<Tlv> &tlvs) {
    std::vector<uint8_t> p{0, 1};
    for (int s = 24; s >= 0; s -= 8) p.push_back(static_cast<uint8_t>(if_index >> s));
    p.push_back(num_cfg);
    for (const Tlv &t : tlvs) {
        p.push_back(t.type);
        p.push_back(static_cast<uint8_t>(t.value.size()));
        p.insert(p.end(), t.value.begin(), t.value.end());
    }
    return p;
}

TEST_F(EdgeCasesTest, SummaryStopsAnEntryWhoseSettingsRunOut) {
    const uint32_t port2 = pcfg_sim::if_index_of_port(1);
    const Tlv speed{3, {0, 0, 0x1f, 0x40}};   // 8000: "8G"
    const Tlv enable{12, {1}};                 // "Up"
    const Tlv mode{2, {0, 0, 0, 0x20}};        // "F"
    // Three settings promised; after two, 0 bytes, 1 byte or a setting cut
    // short are left: the entry is dropped, not shown half read.
    for (const std::vector<uint8_t> &tail :
         std::vector<std::vector<uint8_t>>{{}, {2}, {2, 4, 0, 0}}) {
        pcfg_sim::clear_event_log();
        std::vector<uint8_t> p = one_entry(port2, 3, {speed, enable});
        p.insert(p.end(), tail.begin(), tail.end());
        pcfg_sim::log_message(1, 395, p);
        pcfg_sim::log_message(1, 395, one_entry(port2, 3, {speed, enable, mode}));
        Params params(30);
        params.bare(PCFG_PARAM_SUMMARY_ALL);
        EXPECT_EQ(run(params),
                  "  SeqNo Port   Speed    En/Dis   PortMode  RateMode Perf  B2B EcB2B\n"
                  "      2    2      8G        Up          F         -    -    -     -\n")
            << tail.size();
    }
}

TEST_F(EdgeCasesTest, SummaryReadsNoFurtherThanADamagedRecordsLength) {
    // Records of the shared-memory log whose length field is below the
    // 48-byte header: only the bytes the length allows are read (the
    // buffers are exactly that long), and nothing is shown.
    for (uint32_t length : {0u, 20u, 30u, 47u}) {
        std::vector<uint8_t> rec(std::max<uint32_t>(length, 20), 0);
        rec[16] = 0;
        rec[19] = static_cast<uint8_t>(length);
        if (rec.size() > 12) rec[15] = 7;  // seq_no
        EXPECT_EQ(out([&] { pcfg::summary::print_record(rec.data(), pcfg::summary::kNoFilter); }),
                  "")
            << length;
    }
}

TEST_F(EdgeCasesTest, SummaryWalksAFullTokenListAndNoFurther) {
    // 64 tokens fill the list; the slot after them is never read (here it
    // holds a token that would stop the rows).
    pcfg_sim::clear_event_log();
    pcfg_sim::log_message(1, 395, one_entry(pcfg_sim::if_index_of_port(0), 1, {{12, {2}}}));
    Params params(30);
    for (int i = 0; i < PCFG_MAX_TOKENS; ++i) params.bare(PCFG_PARAM_SUMMARY_ALL);
    cli_param_token beyond{};
    beyond.param_id = 99;
    params.block()->tokens[PCFG_MAX_TOKENS] = &beyond;
    EXPECT_EQ(run(params),
              "  SeqNo Port   Speed    En/Dis   PortMode  RateMode Perf  B2B EcB2B\n"
              "      1    1       -      Down          -         -    -    -     -\n");
}

TEST_F(EdgeCasesTest, ResourceTablesReachAsFarAsTheFartherTable) {
    // The index table lies after the buffer-group table: the body a caller
    // vouches for ends with the index table, and both tables print whole.
    Bytes body(20 + 24 + 24);
    body.u16(0, 24).u16(6, 0).u8(8, 2).u32(12, 1);
    body.u16(20, 100).u16(22, 50).u32(24, 0).u32(28, 3);                // group 1: ports 1-4
    body.u8(44, 0).u8(45, 1).u16(46, 7).u16(48, 8).u8(50, 0).u8(51, 4).u32(52, 0x01000000);
    body.u8(56, 1).u8(57, 1).u16(58, 9).u16(60, 10).u8(62, 0).u8(63, 4).u32(64, 0x01001000);
    const std::string text = out([&] {
        pcfg_rsrc_show_all(reinterpret_cast<const pcfg_rsrc_all_info_t *>(body.bytes().data()));
    });
    EXPECT_EQ(text.find("ERROR"), std::string::npos) << text;
    EXPECT_NE(text.find(" 01   | 01000000 | 0007   | 08    | 01    | 0    | 4\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find(" 02   | 01001000 | 0009   | 10    | 01    | 0    | 4\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find(" 01   |  1 -  4  |   100   |  50 \n"), std::string::npos) << text;
}

TEST(EdgeCasesReader, FailedAndOddReadsTakeNothing) {
    const std::array<uint8_t, 10> bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    pcfg::BeReader none(nullptr, 10);
    EXPECT_EQ(none.size(), 0u) << "no bytes behind a null address";
    EXPECT_EQ(none.u8(), 0);

    pcfg::BeReader wide(bytes.data(), bytes.size());
    EXPECT_EQ(wide.uint_prefix(12), 0x0102030405060708u) << "at most 8 bytes make a number";
    EXPECT_EQ(wide.offset(), 8u);

    pcfg::BeReader r(bytes.data(), bytes.size());
    EXPECT_FALSE(r.seek(11));
    EXPECT_EQ(r.uint_prefix(2), 0u) << "a failed reader gives 0";
    EXPECT_EQ(r.offset(), 0u);
    EXPECT_TRUE(r.bytes(1).empty());
    EXPECT_FALSE(r.sub(1).ok());

    std::array<uint8_t, 3> out{9, 9, 9};
    pcfg::BeWriter w(out);
    w.u8(1).zeros(3);
    EXPECT_FALSE(w.ok()) << "zeros that do not fit write nothing";
    EXPECT_EQ(out, (std::array<uint8_t, 3>{1, 9, 9}));
}

}  // namespace
