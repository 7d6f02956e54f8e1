// Configuration event summary (commands 30 and 31) over event logs of
// set-port-configuration requests.
#include "support/library_units.h"
#include "support/bytes.h"
#include "support/fixture.h"
#include "support/golden.h"

using namespace pcfg_test;

namespace {

class SummaryTest : public PcfgTest {};

struct Tlv {
    uint8_t type;
    std::vector<uint8_t> value;
};
Tlv u32(uint8_t type, uint32_t v) { return {type, Bytes().u32(v)}; }
Tlv u8(uint8_t type, uint8_t v) { return {type, {v}}; }

struct Entry {
    uint32_t if_index;
    std::vector<Tlv> tlvs;
};

uint32_t port_if(uint8_t index) { return pcfg_sim::if_index_of_port(index); }

// A set-port-configuration request payload; num_ports from the entries
// unless given.
std::vector<uint8_t> request(const std::vector<Entry> &entries, int num_ports = -1) {
    Bytes p;
    p.u8(0).u8(num_ports < 0 ? entries.size() : static_cast<size_t>(num_ports));
    for (const Entry &e : entries) {
        p.u32(e.if_index).u8(e.tlvs.size());
        for (const Tlv &t : e.tlvs) p.u8(t.type).u8(t.value.size()).raw(t.value);
    }
    return p;
}

void log_request(const std::vector<uint8_t> &payload, uint32_t kind = 1) {
    pcfg_sim::log_message(kind, 395, payload);
}

// A reply: one status entry per port.
void log_reply(uint32_t if_index) { log_request(Bytes().u8(0).u8(1).u32(if_index).u32(0), 2); }

std::string summary(Params &p) {
    return with_result([&] { return set_port_cfg_summary_cli(p.block()); });
}
std::string summary(Params &&p) { return summary(p); }

std::string all_ports() {
    return summary(Params(PCFG_CMD_SUMMARY_ALL).bare(30));
}

// The log is read from its start, set-port-configuration messages only; a
// reply is read and skipped.
TEST_F(SummaryTest, OneRequestOneRow) {
    log_request(request({{port_if(4), {u32(3, 8000), u8(12, 1), u32(2, 0x20), u8(44, 2), u32(25, 0)}}}));
    log_reply(port_if(4));
    Transcript t;
    t.add("summary", all_ports()).add("calls", calls_text());
    expect_golden("history/summary_one_row", t.str());
}

// A day of configuration: bring-up of three ports, a rate-mode change, a
// credit change, requests naming ports the card lacks, settings the summary
// does not show, and the manager's replies in between.
void log_a_day() {
    log_request(request({{port_if(0), {u32(2, 0x1), u32(3, 0), u8(12, 1), u32(25, 32), u32(41, 0)}},
                         {port_if(1), {u32(2, 0x40), u32(3, 4000), u8(12, 1)}},
                         {port_if(2), {u32(2, 0x8), u32(3, 3), u8(12, 2), u32(37, 16), u32(41, 500)}}}));
    log_reply(port_if(0));                                                           // 2
    log_request(request({{0x02000000, {u32(3, 8000)}}, {port_if(3), {u32(3, 8000)}}}));  // 3
    log_request(request({{port_if(1), {u32(8, 10), u8(44, 1), u32(28, 2), u32(37, 0)}},
                         {port_if(3), {u32(8, 10)}},  // nothing to show: the record ends
                         {port_if(0), {u32(3, 16000)}}}));                           // 4
    log_request(request({{port_if(2), {u32(28, 4)}},  // recognised, nothing shown
                         {port_if(1), {u32(2, 0x80), u8(12, 3), u32(3, 0xFFFFFFFF), u32(25, 0x7FFF)}},
                         {port_if(0), {u32(2, 0xFFFF)}, }, {port_if(5), {}}, {port_if(6), {u32(3, 1)}}}));  // 5
    log_request(request({{port_if(0), {u32(3, 2)}}}, 0));                            // 6: no ports
}

// Port numbers whose index is 255 (typed 0 or 256) filter nothing.
TEST_F(SummaryTest, ADayOfRequestsForAllPortsAndForOne) {
    log_a_day();
    Transcript t;
    t.add("all ports", all_ports());
    t.add("port 2, command 31", run(Params(PCFG_CMD_SUMMARY_PORT).num(31, 2)));
    t.add("all ports, command 30", run(Params(PCFG_CMD_SUMMARY_ALL).bare(30)));
    for (uint32_t typed : {0u, 256u})
        t.add("port " + std::to_string(typed), summary(Params(PCFG_CMD_SUMMARY_PORT).num(31, typed)));
    expect_golden("history/summary_day", t.str());
}

TEST_F(SummaryTest, NamesAndCreditColumns) {
    const std::vector<std::vector<Tlv>> cases{
        {u32(3, 10), u8(12, 4), u32(2, 0x2), u8(44, 3)},
        {u32(3, 100), u8(12, 8), u32(2, 0x4000), u8(44, 4)},
        {u32(3, 10000), u8(12, 0xFF), u32(2, 0x80000000), u32(37, 99999)},
        {u32(3, 4), u32(2, 0x40000), u32(25, 1), u32(41, 123456)},
        {u32(3, 12345), u32(2, 0x60)},
        {u32(2, 0x80000)},
        {u32(2, 0x41)},
        {{3, {0, 0, 0x3E, 0x80, 9, 9}}, {12, {1, 7, 7}}},  // values longer than their field
    };
    Transcript t;
    for (size_t i = 0; i < cases.size(); ++i) {
        pcfg_sim::clear_event_log();
        log_request(request({{port_if(7), cases[i]}}));
        t.add("port 8, request " + std::to_string(i + 1), all_ports());
    }
    expect_golden("history/summary_names", t.str());
}

// Unreadable records end silently; a TLV that runs past the payload ends
// the record, and its entry shows nothing (the entries before it were
// shown). Kinds other than 2 count as requests.
TEST_F(SummaryTest, RecordsThatCannotBeReadEndSilently) {
    const uint32_t p0 = port_if(0);
    const std::vector<std::vector<uint8_t>> bad{
        {},                                               // no num_ports
        {0},                                              // no num_ports
        {0, 1, 0, 0},                                     // entry shorter than 5 bytes
        request({{p0, {u32(3, 8000)}}}, 2),               // a second entry that is not there
        request({{p0, {{3, {0, 0, 0x1F}}}}}),             // speed shorter than its field
        request({{p0, {{12, {}}}}}),                      // enable state without its byte
    };
    for (const auto &payload : bad) log_request(payload);
    auto cut = request({{p0, {u32(3, 8000), {8, {0, 0, 0, 0, 0, 0}}}}});
    cut.pop_back();
    log_request(cut);
    auto tail_cut = request({{p0, {u32(3, 8000)}}, {port_if(1), {u32(3, 4000), u8(12, 1)}}});
    tail_cut.pop_back();
    log_request(tail_cut);
    // Three settings promised; after two, nothing, a type alone or a setting
    // cut short is left.
    for (const std::vector<uint8_t> &rest : {std::vector<uint8_t>{}, {2}, {2, 4, 0, 0}}) {
        auto promised = request({{port_if(1), {u32(3, 8000), u8(12, 1)}}});
        promised[6] = 3;
        promised.insert(promised.end(), rest.begin(), rest.end());
        log_request(promised);
    }
    log_request(request({{port_if(9), {u8(12, 2)}}}), 0);
    log_request(request({{port_if(9), {u8(12, 1)}}}), 7);
    expect_golden("history/summary_unreadable", all_ports());
}

TEST_F(SummaryTest, ParameterFailuresAndTheLastToken) {
    log_request(request({{port_if(0), {u32(3, 8000)}}}));
    EXPECT_EQ(capture_stdout([] { EXPECT_EQ(set_port_cfg_summary_cli(nullptr), 1); }),
              "VSH Parameter information NULL\n");
    const std::string refused = "Invalid command!\n[rc 1]\n";
    EXPECT_EQ(summary(Params(PCFG_CMD_SUMMARY_ALL)), refused);
    EXPECT_EQ(summary(Params(PCFG_CMD_SUMMARY_ALL).num(12, 1).num(17, 2)), refused);
    EXPECT_EQ(summary(Params(PCFG_CMD_SUMMARY_PORT).bare(31)), refused);
    EXPECT_EQ(summary(Params(PCFG_CMD_SUMMARY_PORT).bare(31).bare(30)), refused);
    EXPECT_TRUE(pcfg_sim::calls().empty()) << "the log is not touched";
    // The last token decides whether records are shown, and the whole list
    // counts, beyond the token count.
    log_request(request({{port_if(1), {u32(3, 8000)}}}));
    EXPECT_EQ(summary(Params(PCFG_CMD_SUMMARY_ALL).bare(30).num(12, 2)), "invalid taken\ninvalid taken\n[rc 0]\n");
    expect_golden("history/summary_token_count", summary(Params(PCFG_CMD_SUMMARY_ALL).num(12, 2).bare(30).count(1)));
}

// An empty log, then failing reads: the first, the second, and a read that
// hands over no record and no more-records flag.
TEST_F(SummaryTest, LogFailures) {
    Transcript t;
    t.add("empty log", all_ports());
    log_request(request({{port_if(0), {u32(3, 8000)}}}));
    log_request(request({{port_if(1), {u32(3, 4000)}}}));
    pcfg_sim::fail("init_shm_eventlog", -1);
    t.add("init fails", all_ports());
    pcfg_sim::fail("shm_eventlog_read_rec", -1, 0, 2);
    t.add("second read fails", all_ports());
    pcfg_sim::fail("shm_eventlog_read_rec", -1, 0, 1);
    t.add("first read fails", all_ports());
    pcfg_sim::fail("shm_eventlog_read_rec", 0, 0, 1);
    t.add("first read hands over nothing", all_ports());
    expect_golden("history/summary_log_failures", t.str());
}

// Records whose length field is below the 48-byte header: only the bytes
// the length allows are read (the buffers are exactly that long), and
// nothing is shown.
TEST_F(SummaryTest, RecordsShorterThanTheirHeaderShowNothing) {
    for (uint32_t length : {0u, 20u, 30u, 47u}) {
        std::vector<uint8_t> rec(std::max<uint32_t>(length, 20), 0);
        rec[15] = 7;  // seq_no
        rec[19] = static_cast<uint8_t>(length);
        using pcfg::summary::print_record, pcfg::summary::kNoFilter;
        EXPECT_EQ(capture_stdout([&] { print_record(rec.data(), kNoFilter); }), "") << length;
    }
}

// 64 tokens fill the list; the slot after them is never read (here it holds
// a token that would stop the rows).
TEST_F(SummaryTest, AFullTokenListIsWalkedAndNoFurther) {
    log_request(request({{port_if(0), {u8(12, 2)}}}));
    Params params(PCFG_CMD_SUMMARY_ALL);
    for (int i = 0; i < PCFG_MAX_TOKENS; ++i) params.bare(PCFG_PARAM_SUMMARY_ALL);
    cli_param_token beyond{};
    beyond.param_id = 99;
    params.block()->tokens[PCFG_MAX_TOKENS] = &beyond;
    EXPECT_EQ(summary(params),
              "  SeqNo Port   Speed    En/Dis   PortMode  RateMode Perf  B2B EcB2B\n"
              "      1    1       -      Down          -         -    -    -     -\n[rc 0]\n");
}

TEST_F(SummaryTest, AStartingCardLogsItsStartUpConfigurationOnce) {
    const pcfg_sim::CardConfig config{.num_ports = 4, .keep_event_log = true, .log_start_up = true};
    pcfg_sim::reset(config);
    pcfg_sim::reset(config);  // the log is not empty any more: nothing is added
    EXPECT_EQ(pcfg_sim::event_log().size(), 4u);
    expect_golden("history/summary_start_up", all_ports());
}

}  // namespace
